// A picture of grey indices is written as the colours it shows: its entry must be the entry of
// the same picture holding those colours, for every index (also those beyond the four greys),
// every size, with and without a mask, at one and two bits.
#include <gtest/gtest.h>

#include <random>

#include "core/LineWriter.h"
#include "core/Picture.h"

namespace pixelon {
namespace {

std::string entryOf(CPicture& picture) {
    LineWriter out;
    picture.WriteItem(out);
    return out.text();
}

TEST(GreyEntry, MatchesTheEntryOfTheColoursShown) {
    std::mt19937 random(5);
    for (int round = 0; round < 400; ++round) {
        CPicture grey;
        grey.Create(int(random() % 11), int(random() % 19), int(random() % 70000));
        grey.m_nDepth = 1 + round % 2;
        grey.m_bMasked = round % 3 == 0;
        if (round % 5 == 0)
            grey.m_nStoredDepth = 8;
        // Mostly black and white, then the greys, now and then an index past the four.
        const unsigned spread = round % 4 == 0 ? 2 : round % 4 == 1 ? 4 : 9;
        for (int y = 0; y < grey.m_nHeight; ++y)
            for (int x = 0; x < grey.m_nWidth; ++x) {
                const unsigned v = random() % spread;
                grey.SetPixel(x, y, std::uint16_t(v == 0 ? 0 : v == 1 ? 3 : v - 1));
                grey.SetMask(x, y, std::uint8_t(random() % 2));
            }
        CPicture colour = grey;
        colour.m_nDepth = 16;
        for (int y = 0; y < grey.m_nHeight; ++y)
            for (int x = 0; x < grey.m_nWidth; ++x)
                colour.SetPixel(x, y, toRgb565(grey.PixelColour(x, y)));
        ASSERT_EQ(entryOf(grey), entryOf(colour)) << "round " << round;
        EXPECT_EQ(grey.m_nSaveDepth, colour.m_nSaveDepth);
    }
}

} // namespace
} // namespace pixelon
