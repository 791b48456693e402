// Pictures as PDF images, read back by a reader written from the file format: every layout the
// writer picks must give back every pixel of the source.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "output/PdfDocument.h"
#include "output/PdfImage.h"
#include "tests/support/PdfImageReader.h"

namespace pixelon {
namespace {

using test::ReadImage;

// `count` distinct colours, not grey, from a fixed seed.
std::vector<Colour> coloursOf(int count, unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::vector<Colour> colours;
    while (int(colours.size()) < count) {
        const Colour c = rgb(int(rng() & 0xFF), int(rng() & 0xFF), int(rng() & 0xFF));
        if (redOf(c) == greenOf(c) && greenOf(c) == blueOf(c))
            continue;
        if (std::find(colours.begin(), colours.end(), c) == colours.end())
            colours.push_back(c);
    }
    return colours;
}

// A picture holding every one of `colours`, mixed so that neighbours differ.
Surface mixed(int width, int height, const std::vector<Colour>& colours, unsigned seed = 3) {
    std::mt19937 rng(seed);
    Surface s(width, height, 0);
    std::size_t next = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            s.setPixel(x, y, colours[next < colours.size() ? next++ : rng() % colours.size()]);
    return s;
}

// The picture as an image object, read back.
std::optional<ReadImage> viaObject(const Surface& s) {
    Deflater deflater(6, true);
    const PdfImage image = EncodeImageObject(s, deflater);
    return test::ReadImageObject(image.entries, image.data);
}

std::optional<ReadImage> viaInline(const Surface& s) {
    return test::ReadInlineImage(EncodeInlineImage(s));
}

// Both ways of storing `s` give it back, in the expected colour space and bits a sample; the
// inline way only when the raw data is small enough.
void expectRoundTrip(const Surface& s, const std::string& space, int bits, bool fitsInline) {
    SCOPED_TRACE(std::to_string(s.width()) + " x " + std::to_string(s.height()) + " " + space);
    const auto object = viaObject(s);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->colourSpace, space);
    EXPECT_EQ(object->bits, bits);
    EXPECT_TRUE(object->pixels == s);
    // Direct colours are predicted, palette indices are not.
    EXPECT_EQ(object->predicted, space != "Indexed");

    const std::string text = EncodeInlineImage(s);
    if (!fitsInline) {
        EXPECT_EQ(text, "");
        return;
    }
    const auto inlined = test::ReadInlineImage(text);
    ASSERT_TRUE(inlined) << text.substr(0, 200);
    EXPECT_EQ(inlined->colourSpace, space);
    EXPECT_EQ(inlined->bits, bits);
    EXPECT_TRUE(inlined->pixels == s);
    EXPECT_FALSE(inlined->predicted);
}

TEST(PdfImage, PalettesTakeTheFewestBitsTheirColoursNeed) {
    const struct {
        int colours;
        int bits;
    } cases[] = {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 4}, {16, 4}, {17, 8}, {256, 8}};
    for (const auto& c : cases)
        expectRoundTrip(mixed(40, 30, coloursOf(c.colours)), "Indexed", c.bits, true);
    // 257 colours are direct colour, inline only up to 1024 bytes.
    expectRoundTrip(mixed(40, 30, coloursOf(257)), "DeviceRGB", 8, false);
    expectRoundTrip(mixed(19, 17, coloursOf(257)), "DeviceRGB", 8, true);
    // A palette as large as the pixels costs more than they do: 256 colours in 323 pixels.
    expectRoundTrip(mixed(19, 17, coloursOf(256)), "DeviceRGB", 8, true);
}

TEST(PdfImage, RowsThatEndInsideAByteAreReadBackWhole) {
    for (const int width : {1, 3, 7, 9, 15, 17})
        for (const int colours : {2, 3, 5, 17, 300}) {
            // Tall enough to hold every colour.
            const int height = (colours + width - 1) / width + 2;
            // More than 16 colours take a palette only when it costs less than the pixels.
            const bool direct =
                colours > 256 || (colours > 16 && 3 * colours >= 2 * width * height);
            const std::string space = direct ? "DeviceRGB" : "Indexed";
            const int bits = colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
            expectRoundTrip(mixed(width, height, coloursOf(colours)), space, bits, true);
        }
    // One row and one column.
    expectRoundTrip(mixed(1, 40, coloursOf(3)), "Indexed", 2, true);
    expectRoundTrip(mixed(40, 1, coloursOf(3)), "Indexed", 2, true);
    expectRoundTrip(mixed(300, 1, coloursOf(299)), "DeviceRGB", 8, true);
    expectRoundTrip(mixed(1, 300, coloursOf(299)), "DeviceRGB", 8, true);
    expectRoundTrip(Surface(1, 1, rgb(9, 8, 7)), "Indexed", 1, true);
}

TEST(PdfImage, GreysBeyondSixteenLevelsAreGreyAndFewerAPalette) {
    auto greys = [](int levels) {
        std::vector<Colour> out;
        for (int i = 0; i < levels; ++i)
            out.push_back(rgb(i * 255 / std::max(1, levels - 1), i * 255 / std::max(1, levels - 1),
                              i * 255 / std::max(1, levels - 1)));
        return out;
    };
    expectRoundTrip(mixed(21, 13, greys(4)), "Indexed", 2, true);
    expectRoundTrip(mixed(21, 13, greys(16)), "Indexed", 4, true);
    expectRoundTrip(mixed(21, 13, greys(17)), "DeviceGray", 8, true);
    expectRoundTrip(mixed(33, 9, greys(256)), "DeviceGray", 8, true);
    // One colour among the greys makes it a palette again.
    std::vector<Colour> almost = greys(40);
    almost.push_back(rgb(1, 2, 3));
    expectRoundTrip(mixed(21, 13, almost), "Indexed", 8, true);
}

TEST(PdfImage, EveryRowFilterIsUndoneExactly) {
    // Smooth shapes of every direction and noise: between them the writer picks every filter.
    std::mt19937 rng(11);
    unsigned used = 0;
    const auto pattern = [&](auto colourAt, int width, int height, const std::string& space) {
        Surface s(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                s.setPixel(x, y, colourAt(x, y));
        const auto image = viaObject(s);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->colourSpace, space);
        EXPECT_TRUE(image->pixels == s);
        used |= image->filtersUsed;
        if (s.width() * s.height() * 3 <= int(InlineColourLimit)) {
            const auto inlined = viaInline(s);
            ASSERT_TRUE(inlined);
            EXPECT_TRUE(inlined->pixels == s);
        }
    };
    pattern([&](int x, int y) { return rgb(x * 3, y * 5, int(rng() & 0xFF)); }, 80, 60,
            "DeviceRGB");
    pattern([&](int x, int y) { return rgb(x * 7 + y, x * 3, y * 2); }, 36, 36, "DeviceRGB");
    pattern([&](int x, int y) { return rgb(x * x / 7, (x + y) * 2, y * y / 5); }, 64, 64,
            "DeviceRGB");
    pattern([&](int, int) { return Colour(rng() & 0xFFFFFF); }, 31, 17, "DeviceRGB");
    pattern(
        [&](int x, int y) { return (x / 4 + y / 4) % 2 ? Colour(rng() & 0xFFFFFF) : rgb(0, 0, 0); },
        50, 50, "DeviceRGB");
    pattern(
        [&](int x, int y) {
            const int v = (x * 9 + y * 4) % 256;
            return rgb(v, v, v);
        },
        70, 30, "DeviceGray");
    pattern(
        [&](int x, int y) {
            const int v = int((x * y + (rng() & 7)) % 256);
            return rgb(v, v, v);
        },
        45, 45, "DeviceGray");
    EXPECT_EQ(used, 0x1Fu) << "filters used: " << used;
}

TEST(PdfImage, InlineImagesStopAtTheirLimitCountingPaddedRows) {
    // Raw data of exactly the limit goes inline; one more row does not.
    const std::vector<Colour> two = coloursOf(2), seventeen = coloursOf(17);
    expectRoundTrip(mixed(64, 512, two), "Indexed", 1, true); // 8 bytes a row
    expectRoundTrip(mixed(64, 513, two), "Indexed", 1, false);
    expectRoundTrip(mixed(9, 2048, two), "Indexed", 1, true); // 2 bytes a row, 7 bits unused
    expectRoundTrip(mixed(9, 2049, two), "Indexed", 1, false);
    expectRoundTrip(mixed(64, 64, seventeen), "Indexed", 8, true);
    expectRoundTrip(mixed(64, 65, seventeen), "Indexed", 8, false);
    // Direct colour goes inline up to 1024 bytes.
    expectRoundTrip(mixed(1, 341, coloursOf(300)), "DeviceRGB", 8, true); // 1,023 bytes
    expectRoundTrip(mixed(1, 342, coloursOf(300)), "DeviceRGB", 8, false);
}

TEST(PdfImage, ColoursFirstSeenLateStillCount) {
    // 256 colours in the first rows and a 257th in the very last pixel: direct colour.
    Surface s = mixed(40, 40, coloursOf(256));
    std::vector<Colour> more = coloursOf(257);
    s.setPixel(39, 39, more[256]);
    expectRoundTrip(s, "DeviceRGB", 8, false);
    // A picture of long runs of one colour with the second colour once at the end.
    Surface runs(500, 30, rgb(10, 20, 30));
    runs.setPixel(499, 29, rgb(30, 20, 10));
    expectRoundTrip(runs, "Indexed", 1, true);
}

TEST(PdfImage, MasksPaintTheirSetBits) {
    // Ten pixels a row: the last six bits of each second byte are padding.
    const int width = 10, height = 3;
    std::vector<std::uint8_t> bits = {0b10000000, 0b01000000, 0b11111111,
                                      0b11000000, 0b00000001, 0b00000000};
    Deflater deflater(6, true);
    const PdfImage image = EncodeMaskObject(width, height, bits, deflater);
    const auto read = test::ReadImageObject(image.entries, image.data);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->colourSpace, "Mask");
    Surface expected(width, height, rgb(255, 255, 255));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (bits[std::size_t(y) * 2 + std::size_t(x / 8)] & (0x80 >> (x % 8)))
                expected.setPixel(x, y, rgb(0, 0, 0));
    EXPECT_TRUE(read->pixels == expected);
}

TEST(PdfImage, OneDeflaterServesManyImagesOfEverySize) {
    // The compressor keeps its state between streams: a large image after a small one and the
    // other way round must both be whole.
    Deflater deflater(6, true);
    std::mt19937 rng(5);
    for (const int side : {3, 700, 1, 200, 2}) {
        Surface s(side, side);
        for (Colour& c : s.pixels())
            c = rng() & 0xFFFFFF;
        const PdfImage image = EncodeImageObject(s, deflater);
        const auto read = test::ReadImageObject(image.entries, image.data);
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->pixels == s);
    }
}

TEST(PdfImage, AnEmptyBitmapStillNamesAValidPalette) {
    Deflater deflater(6, true);
    const PdfImage image = EncodeImageObject(Surface(0, 5), deflater);
    EXPECT_NE(image.entries.find("/Indexed /DeviceRGB 0 <ffffff>"), std::string::npos)
        << image.entries;
}

} // namespace
} // namespace pixelon
