#include "output/FlowLayout.h"

#include <algorithm>

#include "core/Portfolio.h"

namespace pixelon {

namespace {

// Sums that saturate, so a picture size near INT_MAX cannot wrap the cursor around.
int add(int a, long long b) {
    return int(std::clamp<long long>(a + b, INT_MIN, INT_MAX));
}

} // namespace

bool CanZoom(std::span<const PictureSize> pictures) {
    return std::all_of(pictures.begin(), pictures.end(), [](const PictureSize& p) {
        return p.width <= MaxZoomedSide && p.height <= MaxZoomedSide;
    });
}

FlowCursor::FlowCursor(Rect bounds, int horizontalGap, int verticalGap, int zoom)
    : m_bounds(bounds), m_horizontalGap(horizontalGap), m_verticalGap(verticalGap), m_zoom(zoom),
      m_x(bounds.left), m_y(bounds.top) {}

Rect FlowCursor::Place(PictureSize picture) {
    const long long cellWidth = m_zoom * std::max(picture.width, MinCellWidth);
    const long long height = m_zoom * picture.height;
    if (m_x > m_bounds.left && m_x + cellWidth > m_bounds.right) {
        m_y = add(add(m_y, m_verticalGap), m_rowHeight);
        m_x = m_bounds.left;
        m_rowHeight = 0;
    }
    if (m_y > m_bounds.top && m_y + height > m_bounds.bottom) {
        m_y = m_bounds.top;
        m_x = m_bounds.left;
        m_rowHeight = 0;
    }
    const Rect placed{m_x, m_y, add(m_x, m_zoom * picture.width), add(m_y, height)};
    m_x = add(add(m_x, m_horizontalGap), cellWidth);
    m_rowHeight = int(std::clamp<long long>(std::max<long long>(m_rowHeight, height), 0, INT_MAX));
    return placed;
}

int FlowCursor::UsedHeight() const {
    return add(m_y, m_rowHeight);
}

FlowLayoutResult FlowLayout(std::span<const PictureSize> pictures, Rect bounds, int horizontalGap,
                            int verticalGap, bool zoomRequested) {
    FlowLayoutResult result;
    result.zoom = zoomRequested && CanZoom(pictures) ? 2 : 1;
    result.rects.reserve(pictures.size());
    FlowCursor cursor(bounds, horizontalGap, verticalGap, result.zoom);
    for (const PictureSize& picture : pictures)
        result.rects.push_back(cursor.Place(picture));
    result.usedHeight = cursor.UsedHeight();
    return result;
}

std::vector<PictureSize> PictureSizes(const CPortfolio& portfolio) {
    std::vector<PictureSize> sizes;
    sizes.reserve(portfolio.m_pictures.size());
    for (const auto& picture : portfolio.m_pictures)
        sizes.push_back({picture->m_nWidth, picture->m_nHeight});
    return sizes;
}

std::vector<int> PageStarts(const FlowLayoutResult& layout) {
    std::vector<int> starts;
    if (layout.rects.empty())
        return starts;
    const Rect& first = layout.rects.front();
    for (std::size_t i = 0; i < layout.rects.size(); ++i)
        if (layout.rects[i].left == first.left && layout.rects[i].top == first.top)
            starts.push_back(int(i));
    return starts;
}

} // namespace pixelon
