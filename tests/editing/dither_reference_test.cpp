// Every output pixel of the three dithers, compared with small independent implementations
// written from the published formulas (grey level, nearest-grey index, kernel weights, scan
// order) rather than from the editor's code. The pictures are a few pixels wide and two or
// three rows high, so every weight, including those that reach the next rows, decides pixels.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "editing/Reductions.h"

namespace pixelon {
namespace {

// The phone colours as published: black, dark grey, light grey, white.
constexpr Colour Black = 0x000000, DarkGrey = 0x526E6B, LightGrey = 0xADB6B5, White = 0xFFFFFF;

int refGrey(Colour c) {
    const int r = int(c & 0xFF), g = int((c >> 8) & 0xFF), b = int((c >> 16) & 0xFF);
    return (76 * r + 150 * g + 29 * b) / 255;
}

Colour refRgb(int r, int g, int b) {
    return Colour(r) | Colour(g) << 8 | Colour(b) << 16;
}

// A small deterministic generator, so a failure names a picture that can be rebuilt.
struct Lcg {
    std::uint32_t state;
    int next(int bound) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 8) % std::uint32_t(bound));
    }
};

// Pictures of width 1..6 and two or three rows; every fourth one has colour pixels too.
Surface randomPicture(std::uint32_t seed) {
    Lcg rng{seed};
    const int w = 1 + rng.next(6), h = 2 + rng.next(2);
    const bool colour = seed % 4 == 3;
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = rng.next(256);
            s.setPixel(x, y, colour ? refRgb(v, rng.next(256), rng.next(256)) : refRgb(v, v, v));
        }
    return s;
}

std::string describe(const Surface& s) {
    std::string out = std::to_string(s.width()) + "x" + std::to_string(s.height()) + ":";
    for (Colour c : s.pixels())
        out += " " + std::to_string(c);
    return out;
}

// Floyd-Steinberg to four greys, serpentine, float error rows: the current row and the next.
Surface refGreyDither(const Surface& in, int& d) {
    const int w = in.width();
    const float s = 3.0f / 255.0f;
    const int levels[4] = {0, 85, 170, 255};
    const Colour shown[4] = {Black, DarkGrey, LightGrey, White};
    std::vector<float> current(std::size_t(w), 0.0f), next(std::size_t(w), 0.0f);
    Surface out(w, in.height());
    for (int y = 0; y < in.height(); ++y) {
        std::vector<int> q(static_cast<std::size_t>(w));
        for (float& e : next)
            e = 0.0f;
        for (int k = 0; k < w; ++k) {
            const int x = d > 0 ? k : w - 1 - k;
            const float u = float(refGrey(in.pixel(x, y))) + current[std::size_t(x)];
            int level = int(std::floor(u * s + 0.5f));
            level = level < 0 ? 0 : level > 3 ? 3 : level;
            q[std::size_t(x)] = level;
            const float err = u - float(levels[level]);
            next[std::size_t(x)] += err * 5 / 16;
            if (x + d >= 0 && x + d < w) {
                current[std::size_t(x + d)] += err * 7 / 16;
                next[std::size_t(x + d)] += err * 1 / 16;
            }
            if (x - d >= 0 && x - d < w)
                next[std::size_t(x - d)] += err * 3 / 16;
        }
        current = next;
        d = -d;
        for (int x = 0; x < w; ++x)
            out.setPixel(x, y, shown[q[std::size_t(x)]]);
    }
    return out;
}

// The kernel dither through the two-entry black and white map: a whole-region error buffer,
// the first row right to left, the kernel mirrored on right-to-left rows.
Surface refKernelDither(const Surface& in, int size) {
    static const int k5[5][5] = {
        {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}};
    static const int k3[5][5] = {{0, 0, 0}, {0, 0, 7}, {3, 5, 1}};
    const auto& kernel = size == 5 ? k5 : k3;
    const int centre = size / 2, divisor = size == 5 ? 48 : 16;
    const int w = in.width(), h = in.height();
    std::vector<double> error(std::size_t(w * h), 0.0);
    Surface out(w, h);
    for (int y = 0; y < h; ++y) {
        const bool rightToLeft = y % 2 == 0;
        for (int k = 0; k < w; ++k) {
            const int x = rightToLeft ? w - 1 - k : k;
            int v =
                int(std::trunc(error[std::size_t(y * w + x)] + 0.499)) + refGrey(in.pixel(x, y));
            v = v < 0 ? 0 : v > 255 ? 255 : v;
            // Nearest of 0x000000 and 0xFFFFFF to v * 0x010101, the lower index on a tie.
            const long long D = static_cast<long long>(v) * 0x010101;
            const bool white = std::llabs(D - 0xFFFFFF) < D;
            out.setPixel(x, y, white ? White : Black);
            const double e = v - (white ? 255 : 0);
            for (int row = centre; row < size; ++row)
                for (int j = 0; j < size; ++j) {
                    const int weight = kernel[row][rightToLeft ? size - 1 - j : j];
                    const int tx = x + j - centre, ty = y + row - centre;
                    if (weight != 0 && tx >= 0 && tx < w && ty < h)
                        error[std::size_t(ty * w + tx)] += e * weight / divisor;
                }
        }
    }
    return out;
}

// The cube dither: per row, half of each channel's error to the next pixel in scan order;
// even rows right to left.
Surface refCubeDither(const Surface& in) {
    const int blueLevels[4] = {0, 85, 170, 255};
    const int levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    const int w = in.width();
    Surface out(w, in.height());
    for (int y = 0; y < in.height(); ++y) {
        std::vector<std::array<int, 3>> v(static_cast<std::size_t>(w)); // blue, green, red
        for (int x = 0; x < w; ++x) {
            const Colour c = in.pixel(x, y);
            v[std::size_t(x)] = {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)};
        }
        const int step = y % 2 == 1 ? 1 : -1;
        for (int k = 0; k < w; ++k) {
            const int x = step > 0 ? k : w - 1 - k;
            for (int ch = 0; ch < 3; ++ch) {
                const int value = v[std::size_t(x)][std::size_t(ch)];
                const int error = ch == 0 ? value - 85 * (value >> 6) : value - 36 * (value >> 5);
                if (x + step >= 0 && x + step < w) {
                    int& s = v[std::size_t(x + step)][std::size_t(ch)];
                    s += error >> 1;
                    s = s < 0 ? 0 : s > 255 ? 255 : s;
                }
            }
        }
        for (int x = 0; x < w; ++x) {
            const auto& p = v[std::size_t(x)];
            out.setPixel(x, y, refRgb(levels[p[2] >> 5], levels[p[1] >> 5], blueLevels[p[0] >> 6]));
        }
    }
    return out;
}

TEST(DitherReference, PhoneColoursAreThePublishedOnes) {
    // The references above write the published colours; the editor must use the same ones.
    EXPECT_EQ(colourBlack, Black);
    EXPECT_EQ(colourDarkGrey, DarkGrey);
    EXPECT_EQ(colourLightGrey, LightGrey);
    EXPECT_EQ(colourWhite, White);
}

TEST(DitherReference, GreyDitherNextRowWeightsWorkedByHand) {
    // Row 0 left to right: 40 -> black, error 40: 12.5 below, 17.5 ahead, 2.5 below-ahead.
    // 0 + 17.5 -> black, error 17.5: 5.47 below, 3.28 below-behind (x0).
    // Row 1 right to left: x1 = 34 + 2.5 + 5.47 = 41.97 -> black (42.5 is the threshold),
    // error 41.97: 18.36 ahead to x0. x0 = 9 + 12.5 + 3.28 + 18.36 = 43.14 -> dark grey.
    // An ahead weight of 3/16 instead of 1/16 would make x1 46.97, dark grey; a behind weight
    // of 1/16 instead of 3/16 would make x0 40.95, black.
    Surface s(2, 2);
    s.setPixel(0, 0, refRgb(40, 40, 40));
    s.setPixel(1, 0, refRgb(0, 0, 0));
    s.setPixel(0, 1, refRgb(9, 9, 9));
    s.setPixel(1, 1, refRgb(34, 34, 34));
    int direction = 1;
    RecordingFeedback feedback;
    greyDither(s, s.bounds(), direction, feedback);
    EXPECT_EQ(s.pixel(0, 0), Black);
    EXPECT_EQ(s.pixel(1, 0), Black);
    EXPECT_EQ(s.pixel(1, 1), Black);
    EXPECT_EQ(s.pixel(0, 1), DarkGrey);
}

TEST(DitherReference, GreyDitherMatchesEveryPixelInBothStartingDirections) {
    RecordingFeedback feedback;
    for (std::uint32_t seed = 1; seed <= 120; ++seed) {
        const Surface in = randomPicture(seed);
        for (int start : {1, -1}) {
            int ours = start, theirs = start;
            Surface s = in;
            greyDither(s, s.bounds(), ours, feedback);
            EXPECT_EQ(s, refGreyDither(in, theirs)) << describe(in) << " start " << start;
            EXPECT_EQ(ours, theirs);
        }
    }
}

TEST(DitherReference, KernelDitherMatchesEveryPixelForBothSizes) {
    RecordingFeedback feedback;
    for (int size : {5, 3})
        for (std::uint32_t seed = 1; seed <= 120; ++seed) {
            const Surface in = randomPicture(seed);
            Surface s = in;
            KernelDither dither(MonoMap, size);
            ASSERT_TRUE(runProcessor(dither, s, s.bounds(), feedback));
            EXPECT_EQ(s, refKernelDither(in, size)) << describe(in) << " size " << size;
        }
}

TEST(DitherReference, KernelDitherRoundsTheCarriedErrorWithPoint499) {
    // Size 3 on one column: grey 8 becomes black with error 8, of which 5/16 = 2.5 goes to the
    // pixel below. 125 + trunc(2.5 + 0.499) = 127 is still black; rounding half up would give
    // 128, white.
    Surface s(1, 2);
    s.setPixel(0, 0, refRgb(8, 8, 8));
    s.setPixel(0, 1, refRgb(125, 125, 125));
    KernelDither dither(MonoMap, 3);
    RecordingFeedback feedback;
    ASSERT_TRUE(runProcessor(dither, s, s.bounds(), feedback));
    EXPECT_EQ(s.pixel(0, 0), Black);
    EXPECT_EQ(s.pixel(0, 1), Black);
}

TEST(DitherReference, KernelDitherOfARegionLeavesTheRestAndStartsAtItsOwnCorner) {
    // The region's first row runs right to left and no error leaks out of the region.
    RecordingFeedback feedback;
    for (std::uint32_t seed = 200; seed < 240; ++seed) {
        Surface in = randomPicture(seed);
        if (in.width() < 3)
            continue;
        Surface s(in.width() + 2, in.height() + 2, refRgb(128, 128, 128));
        s.copyFrom(in, 1, 1);
        const Surface before = s;
        KernelDither dither(MonoMap, 5);
        ASSERT_TRUE(runProcessor(dither, s, Rect{1, 1, 1 + in.width(), 1 + in.height()}, feedback));
        const Surface expected = refKernelDither(in, 5);
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const bool inside = x >= 1 && y >= 1 && x <= in.width() && y <= in.height();
                EXPECT_EQ(s.pixel(x, y), inside ? expected.pixel(x - 1, y - 1) : before.pixel(x, y))
                    << describe(in) << " at " << x << "," << y;
            }
    }
}

TEST(DitherReference, CubeDitherMatchesEveryPixel) {
    RecordingFeedback feedback;
    for (std::uint32_t seed = 3; seed <= 480; seed += 4) { // the colour pictures
        const Surface in = randomPicture(seed);
        Surface s = in;
        ASSERT_TRUE(cubeDither(s, s.bounds(), feedback));
        EXPECT_EQ(s, refCubeDither(in)) << describe(in);
    }
}

} // namespace
} // namespace pixelon
