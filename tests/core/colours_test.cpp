#include <gtest/gtest.h>

#include "core/Colours.h"

using namespace pixelon;

TEST(Colours, GreyLevels) {
    EXPECT_EQ(grey(rgb(255, 255, 255)), 255);
    EXPECT_EQ(grey(rgb(1, 1, 1)), 1);
    EXPECT_EQ(grey(rgb(0, 0, 255)), 29);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(grey(rgb(v, v, v)), v);
}

TEST(Colours, GreyMapThresholds) {
    auto idx = [](int g) { return mapIndex(rgb(g, g, g), GreyMap); };
    EXPECT_EQ(idx(50), 0);
    EXPECT_EQ(idx(51), 1);
    EXPECT_EQ(idx(150), 1);
    EXPECT_EQ(idx(151), 2);
    EXPECT_EQ(idx(232), 2);
    EXPECT_EQ(idx(233), 3);
}

TEST(Colours, DirectAndCubeMapsYieldRgb565) {
    EXPECT_EQ(mapIndex(rgb(255, 0, 0), CubeMap), 0xF800);
    EXPECT_EQ(mapIndex(rgb(255, 0, 0), DirectMap), 0xF800);
    EXPECT_EQ(mapColour(0xF800, CubeMap), rgb(255, 0, 0));
}

TEST(Colours, MapsWithoutThresholdsUseTheNearestGrey) {
    Colour eight[8];
    for (int i = 0; i < 8; ++i)
        eight[i] = rgb(i * 36, i * 36, i * 36);
    PaletteMap m{eight, nullptr, 8};
    EXPECT_EQ(mapIndex(rgb(40, 40, 40), m), 1) << "not an RGB565 value";
    EXPECT_EQ(mapIndex(rgb(127, 127, 127), MonoMap), 0);
    EXPECT_EQ(mapIndex(rgb(128, 128, 128), MonoMap), 1);
    PaletteMap none{nullptr, nullptr, 0};
    EXPECT_EQ(mapIndex(0, none), -1);
}

TEST(Colours, Rgb565RoundTripOfDarkGrey) {
    EXPECT_EQ(fromRgb565(toRgb565(rgb(107, 110, 82))), rgb(106, 109, 82));
    EXPECT_EQ(toRgb565(rgb(255, 255, 255)), 0xFFFF);
    EXPECT_EQ(toRgb565(0), 0);
}

TEST(Colours, CubeIndexAndPalette) {
    EXPECT_EQ(cubeIndex(rgb(255, 255, 255)), 255);
    EXPECT_EQ(cubeIndex(rgb(37, 0, 0)), 32);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(cubeIndex(cubePalette()[i]), i);
}

TEST(Colours, AdaptingPhoneColoursRebuildsTheMaps) {
    adaptPhoneColours([](Colour c) { return c == colourWhite ? rgb(248, 252, 248) : c; });
    EXPECT_EQ(MonoMap.colours[1], rgb(248, 252, 248));
    EXPECT_EQ(GreyMap.colours[3], rgb(248, 252, 248));
    resetPhoneColours();
    EXPECT_EQ(MonoMap.colours[1], rgb(255, 255, 255));
}
