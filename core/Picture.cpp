#include "core/Picture.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace pixelon {

bool CPicture::Create(int width, int height, int id) {
    m_nHeight = std::clamp(height, 0, MaxHeight);
    m_nWidth = std::clamp(width, 0, MaxWidth);
    m_nId = id;
    ResizeStorage();
    return true;
}

bool CPicture::ResizeStorage() {
    ClearStorage();
    if (m_nWidth < 0 || m_nHeight < 0)
        return false;
    std::size_t count = std::size_t(m_nWidth) * std::size_t(m_nHeight);
    try {
        m_pixels.assign(count * 2, 0);
        m_mask.assign(count, 0);
    } catch (const std::bad_alloc&) {
        ClearStorage();
        return false;
    } catch (const std::length_error&) {
        ClearStorage();
        return false;
    }
    return true;
}

void CPicture::ClearStorage() {
    m_pixels = {};
    m_mask = {};
}

void CPicture::CopyFrom(const CPicture& other) {
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
    m_nDepth = other.m_nDepth;
    m_pixels = other.m_pixels;
    m_mask = other.m_mask;
}

namespace {

// The bands of `perByte` rows that `height` rows fill, the last one perhaps partly. Counted
// without adding first, so that a height near the largest int (a picture without width holds
// no pixels and may be that tall) cannot overflow.
int bandsOf(int height, int perByte) {
    return height <= 0 ? 0 : (height - 1) / perByte + 1;
}

bool isDarkGrey(Colour c) {
    if (c == 0x515151 || c == 0x6F6F6F)
        return true;
    auto in = [](int v) { return v >= 81 && v <= 111; };
    return in(redOf(c)) && in(greenOf(c)) && in(blueOf(c));
}

bool isLightGrey(Colour c) {
    if (c == 0xA9A9A9 || c == 0xB6B6B6)
        return true;
    auto in = [](int v) { return v >= 169 && v <= 182; };
    return in(redOf(c)) && in(greenOf(c)) && in(blueOf(c));
}

// Pixels of one column sharing a byte at 1, 2 and 8 bits.
int bitsOf(const PaletteMap& map) {
    return depthOfCount(map.count);
}

Rect clipRect(std::optional<Rect> rect, const Rect& bounds) {
    return rect ? rect->intersected(bounds) : bounds;
}

int twoBitIndex(std::uint16_t v) {
    if (v == 0xFFFF)
        return 3;
    if (v == 0)
        return 0;
    return v > 0xA9A8 ? 2 : 1;
}

// 1 for black or white, 2 for the greys, 3 for any other colour.
int colourClass(std::uint16_t value) {
    Colour c = fromRgb565(value);
    if (c == colourWhite || c == colourBlack)
        return 1;
    return isDarkGrey(c) || isLightGrey(c) ? 2 : 3;
}

} // namespace

int CPicture::DepthClass() const {
    // Black, white and runs of one value are the common cases; they skip the colour tests.
    const int blackClass = colourClass(0x0000), whiteClass = colourClass(0xFFFF);
    std::uint16_t last = 0;
    int lastClass = blackClass;
    int result = 0;
    const std::size_t count =
        std::min(std::size_t(m_nWidth) * std::size_t(m_nHeight), m_pixels.size() / 2);
    const bool blackAndWhiteFast = blackClass == 1 && whiteClass == 1;
    const std::uint8_t* bytes = m_pixels.data();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t v = std::uint16_t(bytes[i * 2] << 8 | bytes[i * 2 + 1]);
        // One well-predicted test for both black (0) and white (0xFFFF).
        if (blackAndWhiteFast && std::uint16_t(v + 1) <= 1) {
            result = std::max(result, 1);
            continue;
        }
        int k;
        if (v == 0x0000)
            k = blackClass;
        else if (v == 0xFFFF)
            k = whiteClass;
        else if (v == last)
            k = lastClass;
        else
            k = lastClass = colourClass(last = v);
        if (k == 3)
            return m_nStoredDepth == 8 ? 8 : 16;
        result = std::max(result, k);
    }
    return result;
}

std::vector<std::uint8_t> CPicture::Pack(const PaletteMap&, const PaletteMap& targetMap,
                                         std::optional<Rect> rect) const {
    const Rect r = clipRect(rect, Bounds());
    const int bits = bitsOf(targetMap);
    const int width = r.width(), height = r.height();
    std::vector<std::uint8_t> out;
    if (width <= 0 || height <= 0)
        return out;
    if (bits == 16) {
        out.reserve(std::size_t(width) * height * 2);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                std::uint16_t v = GetPixel(x, y);
                out.push_back(std::uint8_t(v));
                out.push_back(std::uint8_t(v >> 8));
            }
        return out;
    }
    const int perByte = 8 / bits;
    const int bands = bandsOf(height, perByte);
    out.assign(std::size_t(width) * bands, 0);
    std::size_t at = 0;
    for (int band = 0; band < bands; ++band) {
        for (int x = r.left; x < r.right; ++x, ++at) {
            std::uint8_t byte = 0;
            for (int j = 0; j < perByte; ++j) {
                int y = r.top + band * perByte + j;
                if (y >= r.bottom)
                    break;
                std::uint16_t v = GetPixel(x, y);
                int code;
                if (bits == 1)
                    code = v < 0x8000 ? 1 : 0;
                else if (bits == 2)
                    code = twoBitIndex(v);
                else
                    code = cubeIndex(fromRgb565(v));
                byte = std::uint8_t(byte | code << (j * bits));
            }
            out[at] = byte;
        }
    }
    return out;
}

void CPicture::Unpack(const PaletteMap& sourceMap, const PaletteMap& targetMap,
                      std::span<const std::uint8_t> bytes, std::optional<Rect> rect) {
    const Rect r = clipRect(rect, Bounds());
    const int bits = bitsOf(sourceMap);
    const int width = r.width(), height = r.height();
    if (width <= 0 || height <= 0)
        return;
    auto byteAt = [&](std::size_t i) -> std::uint8_t { return i < bytes.size() ? bytes[i] : 0; };
    if (bits == 16) {
        std::size_t at = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x, at += 2) {
                SetPixel(x, y, std::uint16_t(byteAt(at) | byteAt(at + 1) << 8));
                SetMask(x, y, 1);
            }
        return;
    }
    // Each packed code stands for a colour of the source map, reduced through the target map.
    const int codes = 1 << bits;
    std::vector<std::uint16_t> valueOf(std::size_t(codes), 0);
    for (int code = 0; code < codes; ++code) {
        Colour c;
        if (bits == 1)
            c = MonoMap.colours[code ? 0 : 1];
        else if (bits == 2)
            c = sourceMap.colours ? sourceMap.colours[code] : GreyMap.colours[code];
        else
            c = cubePalette()[code];
        valueOf[std::size_t(code)] = std::uint16_t(mapIndex(c, targetMap));
    }
    const int perByte = 8 / bits;
    const int bands = bandsOf(height, perByte);
    const int codeMask = codes - 1;
    std::size_t at = 0;
    for (int band = 0; band < bands; ++band) {
        for (int x = r.left; x < r.right; ++x, ++at) {
            std::uint8_t byte = byteAt(at);
            for (int j = 0; j < perByte; ++j) {
                int y = r.top + band * perByte + j;
                if (y >= r.bottom)
                    break;
                SetPixel(x, y, valueOf[std::size_t(byte >> (j * bits) & codeMask)]);
                SetMask(x, y, 1);
            }
        }
    }
}

std::vector<std::uint8_t> CPicture::PackMask() const {
    // Without width there is nothing to pack, however many rows.
    if (m_nWidth <= 0)
        return {};
    const int bands = bandsOf(m_nHeight, 8);
    std::vector<std::uint8_t> out(std::size_t(m_nWidth) * std::size_t(bands), 0);
    std::size_t at = 0;
    for (int band = 0; band < bands; ++band)
        for (int x = 0; x < m_nWidth; ++x, ++at)
            for (int j = 0; j < 8; ++j) {
                int y = band * 8 + j;
                if (y < m_nHeight && GetMask(x, y))
                    out[at] = std::uint8_t(out[at] | 1 << j);
            }
    return out;
}

void CPicture::UnpackMask(std::span<const std::uint8_t> bytes) {
    if (m_nWidth <= 0)
        return;
    const int bands = bandsOf(m_nHeight, 8);
    std::size_t at = 0;
    for (int band = 0; band < bands; ++band)
        for (int x = 0; x < m_nWidth; ++x, ++at) {
            std::uint8_t byte = at < bytes.size() ? bytes[at] : 0;
            for (int j = 0; j < 8; ++j) {
                int y = band * 8 + j;
                if (y < m_nHeight)
                    SetMask(x, y, byte >> j & 1);
            }
        }
}

Colour CPicture::PixelColour(int x, int y) const {
    std::uint16_t v = GetPixel(x, y);
    if (m_nDepth >= 8)
        return fromRgb565(v);
    return v < 4 ? GreyMap.colours[v] : colourWhite;
}

void CPicture::Draw(Surface& dc, int x, int y, int skipValue, int maxWidth, int maxHeight,
                    bool showTransparent, Colour transparentColour) const {
    const int columns = std::min(maxWidth, m_nWidth);
    const int rows = std::min(maxHeight, m_nHeight);
    const Colour transparent =
        transparentColour == InvalidColour ? TransparentKey : transparentColour;
    const bool showMask = showTransparent && m_bMasked;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            std::uint16_t v = GetPixel(column, row);
            if (int(v) == skipValue)
                continue;
            Colour c = showMask && !GetMask(column, row) ? transparent : PixelColour(column, row);
            dc.setPixel(x + column, y + row, c);
        }
}

void CPicture::DrawInk(Surface& dc, const Brush& brush, int x, int y) const {
    for (int row = 0; row < m_nHeight; ++row)
        for (int column = 0; column < m_nWidth; ++column)
            if (GetPixel(column, row) == 0)
                dc.setPixel(x + column, y + row, brush(x + column, y + row));
}

void CPicture::GrabFrom(const Surface& dc, const PaletteMap& map, int x, int y,
                        std::optional<Rect> rect) {
    m_bMasked = false;
    ResizeStorage();
    m_nDepth = depthOfCount(map.count);
    const Rect r = clipRect(rect, Bounds());
    for (int row = r.top; row < r.bottom; ++row)
        for (int column = r.left; column < r.right; ++column) {
            Colour c = dc.pixel(x + column - r.left, y + row - r.top);
            SetPixel(column, row, std::uint16_t(mapIndex(c, map)));
            SetMask(column, row, 1);
        }
}

Surface CPicture::MakeBitmap(int scale) const {
    return Surface(m_nWidth * scale, m_nHeight * scale, colourWhite);
}

void CPicture::EnlargeHeight(int top, int bottom) {
    // Rows beyond the record's limit would be cut off by the grab anyway.
    const int height =
        int(std::clamp<long long>(static_cast<long long>(m_nHeight) + top + bottom, 0, MaxHeight));
    Surface bitmap(m_nWidth, height, colourWhite);
    Draw(bitmap, 0, top);
    m_nHeight = height;
    GrabFrom(bitmap, *CurrentMap);
}

void CPicture::CropHeight(int top, int bottom) {
    Surface bitmap = MakeBitmap();
    Draw(bitmap, 0, 0);
    m_nHeight =
        int(std::clamp<long long>(static_cast<long long>(m_nHeight) - top - bottom, 0, MaxHeight));
    GrabFrom(bitmap, *CurrentMap, 0, top);
}

} // namespace pixelon
