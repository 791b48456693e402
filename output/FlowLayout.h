#pragma once

#include <climits>
#include <span>
#include <vector>

#include "platform/Surface.h"

namespace pixelon {

class CPortfolio;

// The width and height of one picture to be placed.
struct PictureSize {
    int width = 0;
    int height = 0;
};

// Pictures placed left to right in rows inside `bounds`, a new row when a cell would pass the
// right edge and a new page (back at the top-left) when a picture would pass the bottom edge.
struct FlowLayoutResult {
    std::vector<Rect> rects; // one a picture, in order
    int usedHeight = 0;      // the last row's top plus its height
    int zoom = 1;            // 2 when zoom was requested and every picture is at most 16 x 16
};

// Pictures narrower than this still take a cell this wide, so short labels fit under them.
inline constexpr int MinCellWidth = 14;
// The largest picture side that may be magnified two times.
inline constexpr int MaxZoomedSide = 16;

// Places pictures one at a time exactly as FlowLayout does, for a caller that does not hold
// them all at once.
class FlowCursor {
public:
    FlowCursor(Rect bounds, int horizontalGap, int verticalGap, int zoom = 1);
    // The next picture's rectangle.
    Rect Place(PictureSize picture);
    // The last row's top plus its height.
    int UsedHeight() const;

private:
    Rect m_bounds;
    int m_horizontalGap;
    int m_verticalGap;
    long long m_zoom;
    int m_x;
    int m_y;
    int m_rowHeight = 0;
};

// Lays pictures out; `bounds.bottom` INT_MAX means no page breaks.
FlowLayoutResult FlowLayout(std::span<const PictureSize> pictures, Rect bounds, int horizontalGap,
                            int verticalGap, bool zoomRequested);

std::vector<PictureSize> PictureSizes(const CPortfolio& portfolio);

// Whether zoom 2 may be used for these pictures.
bool CanZoom(std::span<const PictureSize> pictures);

// The indices of the pictures that begin a page: those placed at the first picture's position.
std::vector<int> PageStarts(const FlowLayoutResult& layout);

} // namespace pixelon
