#include <gtest/gtest.h>

#include "editing/Reductions.h"

namespace pixelon {
namespace {

Surface greyRow(std::initializer_list<int> levels) {
    Surface s(int(levels.size()), 1);
    int x = 0;
    for (int v : levels)
        s.setPixel(x++, 0, Colour(v) * 0x010101);
    return s;
}

TEST(PlainReductions, MonoSplitsAtChannelSum376) {
    Surface s(3, 1);
    s.setPixel(0, 0, rgb(125, 125, 125));
    s.setPixel(1, 0, rgb(126, 125, 125));
    s.setPixel(2, 0, TransparentKey);
    toMonoPlain(s, s.bounds());
    EXPECT_EQ(s.pixel(0, 0), colourBlack);
    EXPECT_EQ(s.pixel(1, 0), colourWhite);
    EXPECT_EQ(s.pixel(2, 0), TransparentKey);
}

TEST(PlainReductions, GreyThresholdsAndTransparentKey) {
    Surface s = greyRow({50, 51, 150, 151, 232, 233});
    toGreyPlain(s, s.bounds());
    const Colour expected[] = {colourBlack,     colourDarkGrey,  colourDarkGrey,
                               colourLightGrey, colourLightGrey, colourWhite};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(s.pixel(x, 0), expected[x]) << x;
    Surface t(1, 1, TransparentKey);
    toGreyPlain(t, t.bounds());
    toCubePlain(t, t.bounds());
    EXPECT_EQ(t.pixel(0, 0), TransparentKey);
}

TEST(PlainReductions, CubeUsesThreeThreeTwoBits) {
    Surface s(2, 1);
    s.setPixel(0, 0, rgb(37, 0, 0));
    s.setPixel(1, 0, rgb(200, 100, 200));
    toCubePlain(s, s.bounds());
    EXPECT_EQ(s.pixel(0, 0), rgb(37, 0, 0)); // cube index 32
    EXPECT_EQ(s.pixel(1, 0), rgb(219, 110, 255));
    Rect outside{5, 5, 9, 9};
    toCubePlain(s, outside); // clipped, no crash
}

TEST(GsMap, DefaultStepsTieToLowerIndex) {
    Surface s = greyRow({109, 110, 166, 210, 211});
    mapToSteps(s, s.bounds(), MappingSteps{});
    EXPECT_EQ(s.pixel(0, 0), colourBlack);
    EXPECT_EQ(s.pixel(1, 0), colourDarkGrey);
    EXPECT_EQ(s.pixel(2, 0), colourDarkGrey);
    EXPECT_EQ(s.pixel(3, 0), colourLightGrey);
    EXPECT_EQ(s.pixel(4, 0), colourWhite);
}

TEST(MappingStepsDialog, LabelsPagesAndClamps) {
    MappingStepsDialogModel dialog(MappingSteps{});
    EXPECT_EQ(dialog.label(0), "F0");
    EXPECT_EQ(dialog.label(3), "42");
    dialog.pageDown(0);
    EXPECT_EQ(dialog.position(0), 255);
    dialog.pageUp(3);
    EXPECT_EQ(dialog.position(3), 15);
    dialog.pageUp(3);
    EXPECT_EQ(dialog.label(3), "00");
    dialog.setPosition(1, 10); // no ordering is forced
    EXPECT_EQ(dialog.result(), (MappingSteps{255, 10, 152, 0}));
}

TEST(KernelDither, MidGreyGivesHalfBlackHalfWhite) {
    Surface s(40, 40, Colour(128) * 0x010101);
    KernelDither dither(MonoMap, 5);
    RecordingFeedback feedback;
    ASSERT_TRUE(runProcessor(dither, s, s.bounds(), feedback));
    int black = 0;
    for (Colour c : s.pixels()) {
        ASSERT_TRUE(c == colourBlack || c == colourWhite);
        black += c == colourBlack;
    }
    EXPECT_NEAR(black, 800, 60);
    ASSERT_FALSE(feedback.progressEvents().empty());
    EXPECT_EQ(feedback.progressEvents().front(), "open Dithering image...|Processing...");
    EXPECT_EQ(feedback.progressEvents().back(), "close");
}

TEST(KernelDither, FirstRowRunsRightToLeft) {
    // Grey 128 alone becomes white; its error (-127) pushed to the left neighbour turns the
    // next 128 black. Scanning right to left, the rightmost pixel is decided first.
    Surface s = greyRow({128, 128});
    KernelDither dither(MonoMap, 3);
    RecordingFeedback feedback;
    runProcessor(dither, s, s.bounds(), feedback);
    EXPECT_EQ(s.pixel(1, 0), colourWhite);
    EXPECT_EQ(s.pixel(0, 0), colourBlack);
}

TEST(KernelDither, SecondRowMirrorsTheKernel) {
    // Row 0 runs right to left, row 1 left to right: on row 1 the leftmost pixel is decided
    // first with only the error that row 0 passed down.
    Surface a(2, 2, Colour(128) * 0x010101);
    KernelDither dither(MonoMap, 3);
    RecordingFeedback feedback;
    runProcessor(dither, a, a.bounds(), feedback);
    // Row 0: x1 white (e=-127), x0 gets -127*7/16 -> 128-56=72 -> black (e=72).
    // Row 1 from x0: error = -127*1/16 + 72*5/16 = 14.56 -> 143 -> white.
    EXPECT_EQ(a.pixel(0, 1), colourWhite);
}

TEST(KernelDither, OnePixelWideHasNoNeighbours) {
    Surface s(1, 5, Colour(128) * 0x010101);
    KernelDither dither(MonoMap, 5);
    RecordingFeedback feedback;
    runProcessor(dither, s, s.bounds(), feedback);
    for (int y = 0; y < 5; ++y)
        EXPECT_TRUE(s.pixel(0, y) == colourWhite || s.pixel(0, y) == colourBlack);
}

TEST(GreyDither, DirectionCarriesOverBetweenRuns) {
    Surface s(8, 3, Colour(100) * 0x010101);
    int direction = 1;
    RecordingFeedback feedback;
    greyDither(s, s.bounds(), direction, feedback);
    EXPECT_EQ(direction, -1); // three rows flip it three times
    for (Colour c : s.pixels())
        EXPECT_TRUE(c == colourBlack || c == colourDarkGrey || c == colourLightGrey ||
                    c == colourWhite);
    // Exact levels stay exact: 0, 85, 170 and 255 carry no error.
    Surface exact = greyRow({0, 85, 170, 255});
    greyDither(exact, exact.bounds(), direction, feedback);
    EXPECT_EQ(exact.pixel(0, 0), colourBlack);
    EXPECT_EQ(exact.pixel(1, 0), colourDarkGrey);
    EXPECT_EQ(exact.pixel(2, 0), colourLightGrey);
    EXPECT_EQ(exact.pixel(3, 0), colourWhite);
    EXPECT_EQ(CurrentMap, &DirectMap);
}

TEST(GreyDither, ScanDirectionDecidesWhereErrorGoes) {
    // 43 rounds to 0 with error 43; 7/16 of it lifts the next pixel in scan order.
    Surface forward = greyRow({43, 30});
    Surface backward = greyRow({30, 43});
    int d1 = 1, d2 = -1;
    RecordingFeedback feedback;
    greyDither(forward, forward.bounds(), d1, feedback);
    greyDither(backward, backward.bounds(), d2, feedback);
    EXPECT_EQ(forward.pixel(1, 0), colourBlack);    // 30 + 18.8 = 48.8 -> 0
    EXPECT_EQ(forward.pixel(0, 0), colourDarkGrey); // 43 -> floor(0.5+0.505) = 1
    EXPECT_EQ(forward, [&] {
        Surface m(2, 1);
        m.setPixel(0, 0, backward.pixel(1, 0));
        m.setPixel(1, 0, backward.pixel(0, 0));
        return m;
    }());
}

TEST(CubeDither, SpreadsHalfTheErrorAlongTheRow) {
    // Row 0 runs right to left: red 20 at x1 becomes 0 and passes 10 to x0 (20 + 10 = 30 -> 0).
    Surface s(2, 1);
    s.setPixel(0, 0, rgb(20, 0, 0));
    s.setPixel(1, 0, rgb(20, 0, 0));
    RecordingFeedback feedback;
    ASSERT_TRUE(cubeDither(s, s.bounds(), feedback));
    EXPECT_EQ(s.pixel(1, 0), rgb(0, 0, 0));
    EXPECT_EQ(s.pixel(0, 0), rgb(0, 0, 0));
    Surface t(2, 1);
    t.setPixel(0, 0, rgb(30, 0, 0));
    t.setPixel(1, 0, rgb(30, 0, 0)); // 30 -> 0, error 15 -> x0 = 45 -> 36
    cubeDither(t, t.bounds(), feedback);
    EXPECT_EQ(t.pixel(0, 0), rgb(36, 0, 0));
    EXPECT_EQ(t.pixel(1, 0), rgb(0, 0, 0));
}

} // namespace
} // namespace pixelon
