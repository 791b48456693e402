#include <gtest/gtest.h>

#include "core/Colours.h"
#include "core/Picture.h"
#include "operations/PictureBitmaps.h"

namespace pixelon {
namespace {

TEST(ScreenGrab, SmallBandsAddNothingAndBandsAreNormalised) {
    Surface screen(40, 30, rgb(0, 0, 255));
    screen.setPixel(10, 5, rgb(255, 0, 0));
    EXPECT_FALSE(PictureFromScreenGrab(screen, {0, 0, 8, 20}, 1));
    EXPECT_FALSE(PictureFromScreenGrab(screen, {0, 0, 20, 8}, 1));
    // Dragged up and to the left: the same rectangle.
    auto p = PictureFromScreenGrab(screen, {19, 14, 10, 5}, 7);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->m_nId, 7);
    EXPECT_EQ(p->m_nWidth, 9);
    EXPECT_EQ(p->m_nHeight, 9);
    EXPECT_EQ(p->m_nDepth, 16);
    EXPECT_EQ(p->GetPixel(0, 0), toRgb565(rgb(255, 0, 0)));
    EXPECT_EQ(p->GetPixel(1, 1), toRgb565(rgb(0, 0, 255)));
    // A band reaching past the screen keeps to the screen.
    auto edge = PictureFromScreenGrab(screen, {30, 20, 60, 50}, 1);
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->m_nWidth, 10);
    EXPECT_EQ(edge->GetPixel(9, 9), toRgb565(rgb(0, 0, 255)));
    EXPECT_FALSE(PictureFromScreenGrab(screen, {35, 25, 60, 50}, 1));
}

TEST(ScreenGrab, LargeBandsStopAtThePictureLimit) {
    Surface screen(1400, 1100, colourWhite);
    auto p = PictureFromScreenGrab(screen, screen.bounds(), 1);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->m_nWidth, CPicture::MaxWidth);
    EXPECT_EQ(p->m_nHeight, CPicture::MaxHeight);
}

TEST(ClipboardBitmaps, PasteNeedsAPixel) {
    EXPECT_FALSE(PictureFromBitmap(Surface(), 1));
    Surface one(1, 1, rgb(0, 255, 0));
    auto p = PictureFromBitmap(one, 3);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->GetPixel(0, 0), toRgb565(rgb(0, 255, 0)));
    EXPECT_EQ(p->GetMask(0, 0), 1);
}

TEST(ClipboardBitmaps, GridEverySixPixels) {
    CPicture p;
    p.Create(2, 1, 1);
    p.m_nDepth = 16;
    p.SetPixel(0, 0, toRgb565(rgb(255, 0, 0)));
    p.SetPixel(1, 0, 0xFFFF);
    Surface grid = CopyWithGridBitmap(p, rgb(1, 2, 3));
    EXPECT_EQ(grid.width(), 13);
    EXPECT_EQ(grid.height(), 7);
    for (int k : {0, 6, 12})
        EXPECT_EQ(grid.pixel(k, 3), rgb(1, 2, 3)) << k;
    EXPECT_EQ(grid.pixel(3, 0), rgb(1, 2, 3));
    EXPECT_EQ(grid.pixel(3, 6), rgb(1, 2, 3));
    EXPECT_EQ(grid.pixel(1, 1), fromRgb565(toRgb565(rgb(255, 0, 0))));
    EXPECT_EQ(grid.pixel(5, 5), fromRgb565(toRgb565(rgb(255, 0, 0))));
    EXPECT_EQ(grid.pixel(7, 1), fromRgb565(0xFFFF));

    // Copy Picture shows transparent pixels of an Icon.
    p.m_bMasked = true;
    p.SetMask(0, 0, 0);
    p.SetMask(1, 0, 1);
    Surface copy = CopyBitmap(p);
    EXPECT_EQ(copy.width(), 2);
    EXPECT_EQ(copy.pixel(0, 0), TransparentKey);
}

// A picture of the largest size New Picture makes, beyond Create's own limit, in a colour
// that differs from the white a bitmap starts with.
CPicture largestPicture(std::uint16_t value) {
    CPicture p;
    p.m_nId = 1;
    p.m_nWidth = 1300;
    p.m_nHeight = 1360;
    p.m_nDepth = 16;
    EXPECT_TRUE(p.ResizeStorage());
    for (int y = 0; y < p.m_nHeight; ++y)
        for (int x = 0; x < p.m_nWidth; ++x) {
            p.SetPixel(x, y, value);
            p.SetMask(x, y, 1);
        }
    return p;
}

TEST(ClipboardBitmaps, CopiesAndDrawsTheWholeOfALargePicture) {
    const std::uint16_t red = toRgb565(rgb(255, 0, 0));
    const CPicture p = largestPicture(red);
    const Colour shown = fromRgb565(red);
    Surface copy = CopyBitmap(p);
    ASSERT_EQ(copy.width(), 1300);
    ASSERT_EQ(copy.height(), 1360);
    Surface drawn = p.MakeBitmap();
    p.DrawInto(drawn);
    for (const Surface* s : {&copy, &drawn}) {
        int white = 0;
        for (Colour c : s->pixels())
            white += c != shown;
        EXPECT_EQ(white, 0);
        EXPECT_EQ(s->pixel(1299, 1359), shown);
    }
    // The grid copy is six times the picture's own size.
    Surface grid = CopyWithGridBitmap(p);
    EXPECT_EQ(grid.width(), 1300 * 6 + 1);
    EXPECT_EQ(grid.pixel(1299 * 6 + 3, 1359 * 6 + 3), shown);
}

} // namespace
} // namespace pixelon
