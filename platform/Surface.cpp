#include "platform/Surface.h"

#include <algorithm>

namespace pixelon {

Surface::Surface(int width, int height, Colour fill)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(std::size_t(m_width) * std::size_t(m_height), fill & 0x00FFFFFF) {
    if (m_pixels.empty())
        m_width = m_height = 0;
}

void Surface::fill(Colour c) { std::fill(m_pixels.begin(), m_pixels.end(), c & 0x00FFFFFF); }

void Surface::reshape(int width, int height, Colour c) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    // The size changes only once the storage is had, so a failed allocation leaves the
    // surface as it was.
    m_pixels.assign(std::size_t(width) * std::size_t(height), c & 0x00FFFFFF);
    m_width = m_pixels.empty() ? 0 : width;
    m_height = m_pixels.empty() ? 0 : height;
}

void Surface::fillRect(Rect r, Colour c) {
    r = r.intersected(bounds());
    for (int y = r.top; y < r.bottom; ++y) {
        auto line = row(y);
        std::fill(line.begin() + r.left, line.begin() + r.right, c & 0x00FFFFFF);
    }
}

void Surface::copyFrom(const Surface& src, Rect srcRect, int dstX, int dstY) {
    srcRect = srcRect.intersected(src.bounds());
    // Clip against this surface, moving the source rectangle with the destination.
    Rect dst{dstX, dstY, dstX + srcRect.width(), dstY + srcRect.height()};
    Rect clipped = dst.intersected(bounds());
    if (clipped.empty())
        return;
    int sx = srcRect.left + (clipped.left - dst.left);
    int sy = srcRect.top + (clipped.top - dst.top);
    if (&src == this) {
        Surface copy = src;
        copyFrom(copy, {sx, sy, sx + clipped.width(), sy + clipped.height()}, clipped.left, clipped.top);
        return;
    }
    for (int y = 0; y < clipped.height(); ++y) {
        auto from = src.row(sy + y).subspan(std::size_t(sx), std::size_t(clipped.width()));
        std::copy(from.begin(), from.end(), row(clipped.top + y).begin() + clipped.left);
    }
}

namespace {

// For one axis, the half-open range of source coordinates that make destination coordinate d.
struct AxisSpan {
    int first;
    int last;
};

std::vector<AxisSpan> axisSpans(int srcStart, int srcLen, int dstLen) {
    std::vector<AxisSpan> spans(static_cast<std::size_t>(dstLen));
    if (srcLen >= dstLen) {
        // Shrinking: source s lands on floor(s * dstLen / srcLen); every source pixel counts.
        for (int d = 0; d < dstLen; ++d) {
            int first = int((std::int64_t(d) * srcLen + dstLen - 1) / dstLen);
            int last = int((std::int64_t(d + 1) * srcLen + dstLen - 1) / dstLen);
            spans[std::size_t(d)] = {srcStart + first, srcStart + std::max(last, first + 1)};
        }
    } else {
        for (int d = 0; d < dstLen; ++d) {
            int s = int(std::int64_t(d) * srcLen / dstLen);
            spans[std::size_t(d)] = {srcStart + s, srcStart + s + 1};
        }
    }
    return spans;
}

} // namespace

void Surface::stretchFrom(const Surface& src, Rect srcRect, Rect dstRect) {
    if (srcRect.empty() || dstRect.empty())
        return;
    if (&src == this) {
        Surface copy = src;
        stretchFrom(copy, srcRect, dstRect);
        return;
    }
    auto columns = axisSpans(srcRect.left, srcRect.width(), dstRect.width());
    auto rows = axisSpans(srcRect.top, srcRect.height(), dstRect.height());
    for (int dy = 0; dy < dstRect.height(); ++dy) {
        int y = dstRect.top + dy;
        if (y < 0 || y >= m_height)
            continue;
        const AxisSpan& rs = rows[std::size_t(dy)];
        for (int dx = 0; dx < dstRect.width(); ++dx) {
            int x = dstRect.left + dx;
            if (x < 0 || x >= m_width)
                continue;
            const AxisSpan& cs = columns[std::size_t(dx)];
            Colour c = 0x00FFFFFF;
            for (int sy = rs.first; sy < rs.last; ++sy)
                for (int sx = cs.first; sx < cs.last; ++sx)
                    c &= src.pixel(sx, sy);
            m_pixels[std::size_t(y) * m_width + x] = c & 0x00FFFFFF;
        }
    }
}

} // namespace pixelon
