#pragma once

#include <algorithm>
#include <optional>
#include <utility>

#include "editing/EditCanvas.h"
#include "editing/EditorText.h"

namespace pixelon {

// The line being drawn, shown over the picture until the button is released.
struct LinePreview {
    std::pair<int, int> start, end; // picture pixels
    ColourPair brush;
};

// How the editor shows the picture: the view's size, the zoom, the scroll offsets, the grid
// and the ascent line. The picture's size comes from the canvas each call takes.
class EditorView {
public:
    explicit EditorView(int ascent) : m_ascent(std::max(ascent, 0)) {}

    // The first size the window reports fits the picture into the view.
    void setSize(int viewWidth, int viewHeight, const EditCanvas& ec);
    int zoom() const { return m_zoom; }
    int fit(const EditCanvas& ec) const;
    void fitTo(const EditCanvas& ec) { m_zoom = fit(ec); }
    int offset(const EditCanvas& ec) const; // left margin of a picture narrower than the view
    bool canZoomIn(const EditCanvas& ec) const { return m_zoom < fit(ec) || ec.width > 50; }
    bool canZoomOut() const { return m_zoom > 1; }
    void zoomIn(const EditCanvas& ec);
    void zoomOut();

    std::pair<int, int> toPicture(int viewX, int viewY, const EditCanvas& ec) const;
    int maxScrollX(const EditCanvas& ec) const;
    int maxScrollY(const EditCanvas& ec) const;
    int scrollX(const EditCanvas& ec) const { return std::clamp(m_scrollX, 0, maxScrollX(ec)); }
    int scrollY(const EditCanvas& ec) const { return std::clamp(m_scrollY, 0, maxScrollY(ec)); }
    void setScroll(int x, int y, const EditCanvas& ec);

    bool grid() const { return m_grid; }
    void toggleGrid() { m_grid = !m_grid; }
    int ascent() const { return m_ascent; }

    // Paints the view as the window shows it: the magnified picture with the line and the text
    // being placed, the grid, the ascent line, the selection and the text caret.
    void render(Surface& out, const EditCanvas& ec, const std::optional<LinePreview>& line,
                const EditorText& text) const;

private:
    int m_ascent;
    int m_viewWidth = 0;
    int m_viewHeight = 0;
    int m_zoom = 1;
    int m_scrollX = 0;
    int m_scrollY = 0;
    bool m_grid = false;
};

} // namespace pixelon
