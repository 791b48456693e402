#include "editing/EditorView.h"

#include "editing/EditorSelection.h"
#include "editing/LineWalk.h"

namespace pixelon {

namespace {
constexpr Colour ViewBackground = rgb(192, 192, 192);
constexpr Colour GridColour = rgb(128, 128, 128);
constexpr Colour AscentColour = rgb(255, 0, 0);
constexpr Colour SelectionColour = rgb(57, 206, 97);
} // namespace

void EditorView::setSize(int viewWidth, int viewHeight, const EditCanvas& ec) {
    const bool first = m_viewWidth == 0 && m_viewHeight == 0;
    m_viewWidth = std::max(viewWidth, 0);
    m_viewHeight = std::max(viewHeight, 0);
    if (first)
        m_zoom = fit(ec);
}

int EditorView::fit(const EditCanvas& ec) const {
    if (m_viewWidth <= 0 || m_viewHeight <= 0)
        return 1;
    return std::max(1, std::min(m_viewWidth / ec.width, m_viewHeight / ec.height));
}

int EditorView::offset(const EditCanvas& ec) const {
    return std::max(0, (m_viewWidth - m_zoom * ec.width) / 2);
}

void EditorView::zoomIn(const EditCanvas& ec) {
    if (canZoomIn(ec))
        ++m_zoom;
}

void EditorView::zoomOut() {
    if (canZoomOut())
        --m_zoom;
}

std::pair<int, int> EditorView::toPicture(int viewX, int viewY, const EditCanvas& ec) const {
    auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    return {floorDiv(viewX - offset(ec) + scrollX(ec), m_zoom),
            floorDiv(viewY + scrollY(ec), m_zoom)};
}

int EditorView::maxScrollX(const EditCanvas& ec) const {
    return std::max(0, m_zoom * ec.width - m_viewWidth);
}

int EditorView::maxScrollY(const EditCanvas& ec) const {
    return std::max(0, m_zoom * ec.height - m_viewHeight);
}

void EditorView::setScroll(int x, int y, const EditCanvas& ec) {
    m_scrollX = std::clamp(x, 0, maxScrollX(ec));
    m_scrollY = std::clamp(y, 0, maxScrollY(ec));
}

void EditorView::render(Surface& out, const EditCanvas& ec, const std::optional<LinePreview>& line,
                        const EditorText& text) const {
    if (out.width() != m_viewWidth || out.height() != m_viewHeight)
        out = Surface(m_viewWidth, m_viewHeight, ViewBackground);
    else
        out.fill(ViewBackground);
    const int w = ec.width, h = ec.height, z = m_zoom, off = offset(ec);
    const Rect window = ec.window();
    // The line and the text being placed are shown on a copy of the picture window.
    const bool overlay = line || text.placing();
    Surface work;
    std::pair<int, int> caret{0, 0};
    if (overlay) {
        work = Surface(w, h);
        work.copyFrom(ec.canvas, window, 0, 0);
        if (line) {
            const Rect limit = ec.region();
            forLine(line->start.first, line->start.second, line->end.first, line->end.second,
                    [&](int px, int py) {
                        const int cx = window.left + px, cy = window.top + py;
                        if (limit.contains(cx, cy))
                            work.setPixel(px, py, line->brush.at(cx, cy));
                    });
        }
        if (text.placing())
            caret = text.draw(ec, work, window.left, window.top);
    }
    // View position of the picture's top-left corner: centred when it fits, else scrolled.
    const int ox = off - scrollX(ec), oy = -scrollY(ec);
    const int bottom = std::min(m_viewHeight, oy + z * h);
    const int firstColumn = std::max(0, -ox / z);
    for (int vy = 0; vy < bottom; ++vy) {
        const int py = (vy - oy) / z;
        auto row = out.row(vy);
        for (int px = firstColumn; px < w; ++px) {
            const int x0 = ox + px * z;
            if (x0 >= m_viewWidth)
                break;
            const Colour c =
                overlay ? work.pixel(px, py) : ec.canvas.pixel(window.left + px, window.top + py);
            const int xs = std::max(x0, 0), x1 = std::min(x0 + z, m_viewWidth);
            if (xs < x1)
                std::fill(row.begin() + xs, row.begin() + x1, c);
        }
    }
    const int left = std::max(ox, 0), right = std::min(ox + z * w, m_viewWidth);
    const int top = std::max(oy, 0);
    if (m_grid && z > 1) {
        for (int k = 0; k <= h; ++k) {
            const int y = oy + k * z;
            if (y >= 0 && y < m_viewHeight)
                for (int x = left; x < right; ++x)
                    out.setPixel(x, y, GridColour);
        }
        for (int k = 0; k <= w; ++k) {
            const int x = ox + k * z;
            if (x >= 0 && x < m_viewWidth)
                for (int y = top; y < bottom; ++y)
                    out.setPixel(x, y, GridColour);
        }
    }
    if (m_ascent > 0) {
        const int y = oy + m_ascent * z + (m_grid ? 1 : 0);
        for (int x = left; x < right; ++x)
            out.setPixel(x, y, AscentColour);
    }
    if (const auto s = EditorSelection::inPicture(ec)) {
        const int x0 = ox + s->left * z, y0 = oy + s->top * z;
        const int x1 = ox + s->right * z - 1, y1 = oy + s->bottom * z - 1;
        for (int x = std::max(x0, 0); x <= std::min(x1, m_viewWidth - 1); ++x)
            if ((x - x0) / 2 % 2 == 0) {
                out.setPixel(x, y0, SelectionColour);
                out.setPixel(x, y1, SelectionColour);
            }
        for (int y = std::max(y0, 0); y <= std::min(y1, m_viewHeight - 1); ++y)
            if ((y - y0) / 2 % 2 == 0) {
                out.setPixel(x0, y, SelectionColour);
                out.setPixel(x1, y, SelectionColour);
            }
    }
    if (text.placing()) {
        const int height = text.lineHeight();
        for (int y = oy + caret.second * z; y < oy + (caret.second + height) * z; ++y)
            out.setPixel(ox + caret.first * z, y, 0);
    }
}

} // namespace pixelon
