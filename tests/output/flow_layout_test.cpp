#include <gtest/gtest.h>

#include <climits>

#include "output/FlowLayout.h"

namespace pixelon {
namespace {

TEST(FlowLayout, RowsUseTheWiderOfPictureAndMinimumCellAndWrapAtTheRightEdge) {
    const std::vector<PictureSize> pictures{{10, 10}, {20, 5}, {30, 8}, {4, 4}};
    const FlowLayoutResult r = FlowLayout(pictures, {0, 0, 70, 1000}, 4, 3, false);
    EXPECT_EQ(r.zoom, 1);
    ASSERT_EQ(r.rects.size(), 4u);
    EXPECT_EQ(r.rects[0], (Rect{0, 0, 10, 10}));
    // The 10-wide picture still takes a 14-wide cell.
    EXPECT_EQ(r.rects[1], (Rect{18, 0, 38, 5}));
    // 42 + 30 passes 70: a new row below the tallest picture of the first row.
    EXPECT_EQ(r.rects[2], (Rect{0, 13, 30, 21}));
    EXPECT_EQ(r.rects[3], (Rect{34, 13, 38, 17}));
    EXPECT_EQ(r.usedHeight, 21);
}

TEST(FlowLayout, APictureWiderThanTheBoundsStaysAtTheLeftAndTheNextOneWraps) {
    const std::vector<PictureSize> pictures{{200, 6}, {5, 5}};
    const FlowLayoutResult r = FlowLayout(pictures, {6, 6, 100, INT_MAX}, 12, 12, false);
    EXPECT_EQ(r.rects[0], (Rect{6, 6, 206, 12}));
    EXPECT_EQ(r.rects[1], (Rect{6, 24, 11, 29}));
}

TEST(FlowLayout, ZoomOnlyWhenRequestedAndEveryPictureIsAtMostSixteenSquare) {
    const std::vector<PictureSize> small{{16, 16}, {3, 2}};
    FlowLayoutResult r = FlowLayout(small, {0, 0, 500, 500}, 12, 12, true);
    EXPECT_EQ(r.zoom, 2);
    EXPECT_EQ(r.rects[0], (Rect{0, 0, 32, 32}));
    EXPECT_EQ(r.rects[1], (Rect{44, 0, 50, 4})); // cell 2 x 16, picture 2 x 3 wide
    EXPECT_EQ(r.usedHeight, 32);

    EXPECT_EQ(FlowLayout(small, {0, 0, 500, 500}, 12, 12, false).zoom, 1);
    const std::vector<PictureSize> oneTall{{16, 16}, {8, 17}};
    EXPECT_EQ(FlowLayout(oneTall, {0, 0, 500, 500}, 12, 12, true).zoom, 1);
    EXPECT_FALSE(CanZoom(oneTall));
    EXPECT_TRUE(CanZoom(std::vector<PictureSize>{}));
}

TEST(FlowLayout, APictureThatWouldPassTheBottomStartsANewPageAtTheTopLeft) {
    // Rows of two 40 x 40 pictures; a page holds two rows.
    const std::vector<PictureSize> pictures(5, PictureSize{40, 40});
    const FlowLayoutResult r = FlowLayout(pictures, {10, 20, 110, 120}, 10, 10, false);
    EXPECT_EQ(r.rects[2], (Rect{10, 70, 50, 110}));
    EXPECT_EQ(r.rects[4], (Rect{10, 20, 50, 60}));
    EXPECT_EQ(PageStarts(r), (std::vector<int>{0, 4}));
}

TEST(FlowLayout, APictureEndingExactlyOnAnEdgeStaysAndOnePixelMoreMoves) {
    // The second cell ends on the right edge (10 + 40 + 10 + 40 = 100); the second row's
    // pictures end on the bottom (20 + 40 + 10 + 50 = 120).
    const std::vector<PictureSize> exact{{40, 40}, {40, 40}, {40, 50}, {40, 50}};
    FlowLayoutResult r = FlowLayout(exact, {10, 20, 100, 120}, 10, 10, false);
    EXPECT_EQ(r.rects[1], (Rect{60, 20, 100, 60}));
    EXPECT_EQ(r.rects[2], (Rect{10, 70, 50, 120}));
    EXPECT_EQ(r.rects[3], (Rect{60, 70, 100, 120}));
    EXPECT_EQ(PageStarts(r).size(), 1u);
    EXPECT_EQ(r.usedHeight, 120);

    const std::vector<PictureSize> over{{40, 40}, {41, 40}, {40, 51}};
    r = FlowLayout(over, {10, 20, 100, 120}, 10, 10, false);
    EXPECT_EQ(r.rects[1], (Rect{10, 70, 51, 110})); // a new row
    EXPECT_EQ(r.rects[2], (Rect{10, 20, 50, 71}));  // a new page
    EXPECT_EQ(PageStarts(r), (std::vector<int>{0, 2}));
}

TEST(FlowLayout, APictureTallerThanThePageKeepsItsPlaceAtTheTopAndIsCut) {
    const std::vector<PictureSize> pictures{{10, 10}, {10, 500}, {10, 10}};
    const FlowLayoutResult r = FlowLayout(pictures, {0, 0, 30, 100}, 5, 5, false);
    // The tall picture starts a new row, passes the bottom from there, so it moves to a new
    // page; at the top it no longer moves and passes the bottom.
    EXPECT_EQ(r.rects[1], (Rect{0, 0, 10, 500}));
    EXPECT_EQ(r.rects[2], (Rect{0, 0, 10, 10})); // its row ends below the page: another page
    EXPECT_EQ(PageStarts(r), (std::vector<int>{0, 1, 2}));
}

TEST(FlowLayout, PageStartsCountTheFirstPictureAndNothingForAnEmptyList) {
    const std::vector<PictureSize> three(3, PictureSize{8, 8});
    EXPECT_EQ(PageStarts(FlowLayout(three, {0, 0, 200, 200}, 4, 4, false)).size(), 1u);
    EXPECT_TRUE(PageStarts(FlowLayout({}, {0, 0, 200, 200}, 4, 4, false)).empty());
    EXPECT_EQ(FlowLayout({}, {3, 7, 200, 200}, 4, 4, false).usedHeight, 7);
}

TEST(FlowLayout, NegativeHeightsCountAsZeroAndHugeSizesDoNotWrapAround) {
    const std::vector<PictureSize> odd{{5, -7}, {5, 3}};
    FlowLayoutResult r = FlowLayout(odd, {0, 0, 100, 100}, 2, 2, false);
    EXPECT_EQ(r.usedHeight, 3);
    const std::vector<PictureSize> huge{{INT_MAX, INT_MAX}, {INT_MAX, 5}};
    r = FlowLayout(huge, {0, 0, 100, INT_MAX}, 12, 12, false);
    for (const Rect& rect : r.rects) {
        EXPECT_GE(rect.right, rect.left);
        EXPECT_GE(rect.bottom, rect.top);
    }
}

} // namespace
} // namespace pixelon
