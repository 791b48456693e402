#include <gtest/gtest.h>

#include "platform/Surface.h"

using namespace pixelon;

TEST(Surface, ReadsOutsideAreInvalidAndWritesAreDropped) {
    Surface s(3, 2, 0x123456);
    EXPECT_EQ(s.pixel(2, 1), 0x123456u);
    EXPECT_EQ(s.pixel(3, 0), InvalidColour);
    EXPECT_EQ(s.pixel(-1, 0), InvalidColour);
    s.setPixel(5, 5, 0);
    s.setPixel(1, 1, 0xFF000000 | 0x0000FF);
    EXPECT_EQ(s.pixel(1, 1), 0x0000FFu) << "the top byte is never stored";
}

TEST(Surface, BlockCopyClipsAtBothSurfaces) {
    Surface src(4, 4, 0);
    Surface dst(3, 3, 0xFFFFFF);
    dst.copyFrom(src, {1, 1, 4, 4}, 1, 1);
    EXPECT_EQ(dst.pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(dst.pixel(1, 1), 0u);
    EXPECT_EQ(dst.pixel(2, 2), 0u);
    dst.copyFrom(src, -2, -2);
    EXPECT_EQ(dst.pixel(0, 0), 0u);
}

TEST(Surface, ShrinkingAndsTheColoursThatFallTogether) {
    Surface src(4, 1, 0xFFFFFF);
    src.setPixel(1, 0, 0);        // black in the first pair
    src.setPixel(2, 0, 0x00FF00); // green in the second pair
    Surface dst(2, 1, 0x777777);
    dst.stretchFrom(src, src.bounds(), dst.bounds());
    EXPECT_EQ(dst.pixel(0, 0), 0u) << "black survives a shrink";
    EXPECT_EQ(dst.pixel(1, 0), 0x00FF00u);
}

TEST(Surface, EnlargingRepeatsPixels) {
    Surface src(2, 1, 0xFFFFFF);
    src.setPixel(1, 0, 0x0000FF);
    Surface dst(6, 3, 0);
    dst.stretchFrom(src, src.bounds(), dst.bounds());
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(dst.pixel(2, y), 0xFFFFFFu);
        EXPECT_EQ(dst.pixel(3, y), 0x0000FFu);
    }
}

TEST(Surface, ShrinkByANonIntegralFactorUsesEverySourcePixelOnce) {
    Surface src(5, 1, 0xFFFFFF);
    for (int x = 0; x < 5; ++x) {
        Surface probe = src;
        probe.setPixel(x, 0, 0);
        Surface dst(3, 1, 0xFFFFFF);
        dst.stretchFrom(probe, probe.bounds(), dst.bounds());
        int blacks = 0;
        for (int d = 0; d < 3; ++d)
            blacks += dst.pixel(d, 0) == 0;
        EXPECT_EQ(blacks, 1) << "source column " << x;
    }
}
