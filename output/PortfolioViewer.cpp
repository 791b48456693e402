#include "output/PortfolioViewer.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "core/Portfolio.h"
#include "operations/PictureBitmaps.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

// The normal style shows each picture on a grey ground in a thin frame, with transparent
// pixels marked; the plain style shows the pictures alone on white.
constexpr Colour NormalGround = rgb(192, 192, 192);
constexpr Colour PlainGround = rgb(255, 255, 255);
constexpr Colour FrameColour = rgb(96, 96, 96);

bool hasStorage(const CPicture& picture) {
    return picture.m_nWidth > 0 && picture.m_nHeight > 0 &&
           picture.m_pixels.size() >= std::size_t(picture.m_nWidth) * picture.m_nHeight * 2 &&
           picture.m_mask.size() >= std::size_t(picture.m_nWidth) * picture.m_nHeight;
}

} // namespace

PortfolioViewer::PortfolioViewer(CPortfolio& portfolio, std::string fileName, Feedback& feedback,
                                 bool plainView)
    : m_portfolio(portfolio), m_fileName(std::move(fileName)), m_feedback(feedback),
      m_plain(plainView) {}

std::string PortfolioViewer::Title() const {
    return "Portfolio Viewer - " + m_fileName + ", " + std::to_string(m_portfolio.Count()) +
           " images";
}

void PortfolioViewer::SetAreaSize(int width, int height) {
    m_areaWidth = std::max(width, 0);
    m_areaHeight = std::max(height, 0);
}

bool PortfolioViewer::ZoomAvailable() const {
    return !m_zoomDisabled && CanZoom(PictureSizes(m_portfolio));
}

void PortfolioViewer::Build(bool zoomRequested) {
    ProgressWindow& progress = m_feedback.progress();
    progress.Open("Processing...", "Generating thumbnails...", 0, m_portfolio.Count());
    const std::vector<PictureSize> sizes = PictureSizes(m_portfolio);
    const Rect bounds{Inset, Inset, m_areaWidth - Inset, INT_MAX};
    m_layout = FlowLayout(sizes, bounds, Gap, Gap, zoomRequested && !m_zoomDisabled);
    long long canvasHeight = std::max(0LL, (long long)m_layout.usedHeight + Inset);
    if (m_layout.zoom > 1 && canvasHeight * m_areaWidth > m_canvasLimit) {
        progress.Close();
        m_feedback.message(NoMemoryToMagnifyText, MessageIcon::Stop);
        m_zoomDisabled = true;
        Build(false);
        return;
    }
    // Without zoom a canvas too large to make is cut; the pictures below it are not shown.
    if (m_areaWidth > 0)
        canvasHeight = std::min(canvasHeight, m_canvasLimit / m_areaWidth);
    m_canvas.reshape(m_areaWidth, int(canvasHeight), m_plain ? PlainGround : NormalGround);
    for (int i = 0; i < m_portfolio.Count(); ++i) {
        drawCell(i);
        progress.Step(i + 1);
    }
    m_scrollMax = std::max(0, m_canvas.height() - m_areaHeight);
    m_scroll = std::clamp(m_scroll, 0, m_scrollMax);
    if (m_selection && *m_selection >= m_portfolio.Count())
        m_selection.reset();
    scrollToSelection();
    progress.Close();
}

void PortfolioViewer::drawCanvas() {
    ProgressWindow& progress = m_feedback.progress();
    progress.Open("Processing...", "Generating thumbnails...", 0, m_portfolio.Count());
    m_canvas.fill(m_plain ? PlainGround : NormalGround);
    for (int i = 0; i < m_portfolio.Count(); ++i) {
        drawCell(i);
        progress.Step(i + 1);
    }
    progress.Close();
}

void PortfolioViewer::drawCell(int index) {
    if (index < 0 || index >= int(m_layout.rects.size()) || index >= m_portfolio.Count())
        return;
    const CPicture& picture = m_portfolio.Picture(index);
    const Rect r = m_layout.rects[std::size_t(index)];
    const Rect ring{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
    m_canvas.fillRect(ring, m_plain ? PlainGround : FrameColour);
    m_canvas.fillRect(r, m_plain ? PlainGround : NormalGround);
    if (!hasStorage(picture))
        return;
    Surface bitmap(picture.m_nWidth, picture.m_nHeight, rgb(255, 255, 255));
    picture.Draw(bitmap, 0, 0, -1, picture.m_nWidth, picture.m_nHeight, !m_plain);
    if (m_layout.zoom == 1)
        m_canvas.copyFrom(bitmap, r.left, r.top);
    else
        m_canvas.stretchFrom(bitmap, bitmap.bounds(), r);
}

void PortfolioViewer::ScrollTo(int position) {
    m_scroll = std::clamp(position, 0, m_scrollMax);
}

int PortfolioViewer::ScrollStep() const {
    if (m_portfolio.Count() == 0)
        return Gap;
    int smallest = INT_MAX;
    for (const auto& picture : m_portfolio.m_pictures)
        smallest = std::min(smallest, picture->m_nHeight);
    return std::max(1, smallest + Gap);
}

bool PortfolioViewer::Click(int x, int y) {
    const long long canvasY = (long long)y + m_scroll;
    for (std::size_t i = 0; i < m_layout.rects.size(); ++i)
        if (canvasY <= INT_MAX && m_layout.rects[i].contains(x, int(canvasY))) {
            m_selection = int(i);
            return true;
        }
    return false;
}

void PortfolioViewer::Select(std::optional<int> index) {
    if (index && (*index < 0 || *index >= m_portfolio.Count()))
        index.reset();
    m_selection = index;
}

std::string PortfolioViewer::InfoText() const {
    if (!m_selection)
        return {};
    const CPicture& picture = m_portfolio.Picture(*m_selection);
    char text[32];
    std::snprintf(text, sizeof text, "%05d: %d", picture.m_nId, picture.GetDepth());
    return text;
}

std::string PortfolioViewer::CodePointText() const {
    if (!m_selection)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04X", unsigned(m_portfolio.Picture(*m_selection).m_nId));
    return text;
}

std::optional<Rect> PortfolioViewer::SelectedRect() const {
    if (!m_selection || *m_selection >= int(m_layout.rects.size()))
        return {};
    return m_layout.rects[std::size_t(*m_selection)];
}

bool PortfolioViewer::EditSelected(const std::function<bool(CPicture&)>& editor) {
    if (!m_selection || !editor)
        return false;
    CPicture& picture = m_portfolio.Picture(*m_selection);
    const int width = picture.m_nWidth, height = picture.m_nHeight;
    if (!editor(picture))
        return false;
    if (picture.m_nWidth == width && picture.m_nHeight == height)
        drawCell(*m_selection);
    else
        Build(false);
    return true;
}

void PortfolioViewer::SetPlainView(bool plain) {
    m_plain = plain;
    drawCanvas();
}

std::optional<Surface> PortfolioViewer::SelectedBitmap() const {
    if (!m_selection)
        return {};
    const CPicture& picture = m_portfolio.Picture(*m_selection);
    if (!hasStorage(picture))
        return {};
    return CopyBitmap(picture);
}

Rect PortfolioViewer::VisibleRect() const {
    return Rect{0, m_scroll, m_areaWidth, m_scroll + m_areaHeight}.intersected(m_canvas.bounds());
}

void PortfolioViewer::scrollToSelection() {
    const std::optional<Rect> r = SelectedRect();
    if (!r)
        return;
    ScrollTo((r->top + r->bottom) / 2 - m_areaHeight / 2);
}

} // namespace pixelon
