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

FlowLayoutResult FlowLayout(std::span<const PictureSize> pictures, Rect bounds, int horizontalGap,
                            int verticalGap, bool zoomRequested) {
    FlowLayoutResult result;
    result.zoom = zoomRequested && CanZoom(pictures) ? 2 : 1;
    const long long zoom = result.zoom;
    result.rects.reserve(pictures.size());
    int x = bounds.left;
    int y = bounds.top;
    int rowHeight = 0;
    for (const PictureSize& picture : pictures) {
        const long long cellWidth = zoom * std::max(picture.width, MinCellWidth);
        const long long height = zoom * picture.height;
        if (x > bounds.left && x + cellWidth > bounds.right) {
            y = add(add(y, verticalGap), rowHeight);
            x = bounds.left;
            rowHeight = 0;
        }
        if (y > bounds.top && y + height > bounds.bottom) {
            y = bounds.top;
            x = bounds.left;
            rowHeight = 0;
        }
        result.rects.push_back({x, y, add(x, zoom * picture.width), add(y, height)});
        x = add(add(x, horizontalGap), cellWidth);
        rowHeight = int(std::clamp<long long>(std::max<long long>(rowHeight, height), 0, INT_MAX));
    }
    result.usedHeight = add(y, rowHeight);
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
