#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/FlowLayout.h"
#include "platform/Surface.h"

namespace pixelon {

class CPicture;
class CPortfolio;
class Feedback;

// The Portfolio Viewer without its window: every picture laid out on one canvas as wide as the
// picture area, scrolled vertically, with a selection and the actions of its buttons.
class PortfolioViewer {
public:
    static constexpr int Gap = 12;
    static constexpr int Inset = 6;
    // The largest canvas made, in pixels; a larger zoomed view falls back to no zoom.
    static constexpr long long MaxCanvasPixels = 64LL << 20;

    // `fileName` is the portfolio's file name as the caption shows it.
    PortfolioViewer(CPortfolio& portfolio, std::string fileName, Feedback& feedback,
                    bool plainView = false);

    std::string Title() const;
    // Lowers the canvas size limit (tests use it to reach the fallback cheaply).
    void SetCanvasLimit(long long pixels) { m_canvasLimit = pixels; }

    // The picture area's client size; takes effect at the next Build.
    void SetAreaSize(int width, int height);
    int AreaWidth() const { return m_areaWidth; }
    int AreaHeight() const { return m_areaHeight; }

    // Lays the pictures out (zoom 2 only when requested and every picture is at most 16 x 16)
    // and draws the canvas.
    void Build(bool zoomRequested);
    const FlowLayoutResult& Layout() const { return m_layout; }
    const Surface& Canvas() const { return m_canvas; }
    int Zoom() const { return m_layout.zoom; }
    // Whether "Zoom x2" can be ticked: the pictures are small enough and memory allowed it.
    bool ZoomAvailable() const;

    int ScrollMax() const { return m_scrollMax; }
    int ScrollPosition() const { return m_scroll; }
    void ScrollTo(int position);
    // The smallest picture height plus the gap: one line of the scroll bar.
    int ScrollStep() const;

    // A click at (x, y) of the area: selects the picture there. True when one was hit.
    bool Click(int x, int y);
    std::optional<int> Selection() const { return m_selection; }
    void Select(std::optional<int> index);
    std::string InfoText() const;
    // The selected picture's ID as a code point, "%04X", for the "Unicode:" field.
    std::string CodePointText() const;
    bool CanEditOrCopy() const { return m_selection.has_value(); }
    // The selected picture's rectangle on the canvas.
    std::optional<Rect> SelectedRect() const;

    // Edits the selected picture with `editor` (true when it changed the picture). A picture
    // that kept its size is redrawn in its cell; otherwise the view is rebuilt without zoom.
    bool EditSelected(const std::function<bool(CPicture&)>& editor);

    void SetZoom(bool on) { Build(on); }
    bool PlainView() const { return m_plain; }
    void SetPlainView(bool plain);

    // The selected picture at its own size with transparent pixels shown, for the clipboard.
    std::optional<Surface> SelectedBitmap() const;

    // The canvas rows the area shows at the current scroll position.
    Rect VisibleRect() const;

private:
    void drawCanvas();
    void drawCell(int index);
    void scrollToSelection();

    CPortfolio& m_portfolio;
    std::string m_fileName;
    Feedback& m_feedback;
    bool m_plain;
    bool m_zoomDisabled = false;
    long long m_canvasLimit = MaxCanvasPixels;
    int m_areaWidth = 0;
    int m_areaHeight = 0;
    FlowLayoutResult m_layout;
    Surface m_canvas;
    int m_scroll = 0;
    int m_scrollMax = 0;
    std::optional<int> m_selection;
};

inline constexpr std::string_view NoMemoryToMagnifyText =
    "Not enough memory to magnify.\nZoom x2 will be disabled";

} // namespace pixelon
