// The two ways the GIF reader decodes 8-bit images (copying earlier output for whole images,
// unrolling through the table for the top-left part of huge ones) give the same pixels, on
// good and on damaged code streams.

#include <gtest/gtest.h>

#include <random>

#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"

namespace pixelon {
namespace {

// An 8-bit, one-image GIF file whose image data is `codes`.
std::vector<std::uint8_t> gifWithCodes(int width, int height,
                                       const std::vector<std::uint8_t>& codes) {
    std::vector<std::uint8_t> f = {'G',
                                   'I',
                                   'F',
                                   '8',
                                   '9',
                                   'a',
                                   std::uint8_t(width),
                                   std::uint8_t(width >> 8),
                                   std::uint8_t(height),
                                   std::uint8_t(height >> 8),
                                   0,
                                   0,
                                   0};
    f.insert(f.end(), {0x2C, 0, 0, 0, 0, std::uint8_t(width), std::uint8_t(width >> 8),
                       std::uint8_t(height), std::uint8_t(height >> 8), 0, 8});
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, codes.size() - at);
        f.push_back(std::uint8_t(n));
        f.insert(f.end(), codes.begin() + std::ptrdiff_t(at),
                 codes.begin() + std::ptrdiff_t(at + n));
    }
    f.push_back(0);
    f.push_back(0x3B);
    return f;
}

std::vector<std::uint8_t> pixelsBothWays(int width, int height,
                                         const std::vector<std::uint8_t>& codes,
                                         std::vector<std::uint8_t>& cropped) {
    const std::vector<std::uint8_t> file = gifWithCodes(width, height, codes);
    GifFile whole, part;
    EXPECT_TRUE(ReadGifBytes(whole, file));
    // A smaller limit makes the image "huge"; its part is the whole image again.
    GifReadLimits limits;
    limits.maxDimension = 1;
    limits.cropWidth = width;
    limits.cropHeight = height;
    EXPECT_TRUE(ReadGifBytes(part, file, limits));
    EXPECT_EQ(whole.images.size(), 1u);
    EXPECT_EQ(part.images.size(), 1u);
    if (whole.images.empty() || part.images.empty())
        return {};
    cropped = part.images[0].pixels;
    return whole.images[0].pixels;
}

TEST(GifLzwPaths, SamePixelsForGoodAndDamagedStreams) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 60; ++trial) {
        const int width = 1 + int(rng() % 300), height = 1 + int(rng() % 200);
        // Noise, runs (long strings) and a mix, so strings of every length occur.
        std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height));
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = trial % 3 == 0   ? std::uint8_t(rng())
                        : trial % 3 == 1 ? std::uint8_t(i / 500 * 31)
                                         : std::uint8_t(rng() % 4 + (i / 97) % 3);
        std::vector<std::uint8_t> codes = LzwEncode(8, pixels);
        if (trial % 2 == 1) {
            // Damage: flipped bytes, or a cut, or a longer stream than the image holds.
            switch (trial / 2 % 3) {
            case 0:
                for (int i = 0; i < 5; ++i)
                    codes[rng() % codes.size()] ^= std::uint8_t(1 + rng() % 255);
                break;
            case 1:
                codes.resize(codes.size() / 2);
                break;
            default:
                pixels.resize(pixels.size() * 2, 9);
                codes = LzwEncode(8, pixels);
                break;
            }
        }
        std::vector<std::uint8_t> cropped;
        const std::vector<std::uint8_t> whole = pixelsBothWays(width, height, codes, cropped);
        ASSERT_EQ(whole, cropped) << "trial " << trial;
        if (trial % 2 == 0) {
            EXPECT_TRUE(std::equal(whole.begin(), whole.end(), pixels.begin())) << trial;
        }
    }
}

TEST(GifLzwPaths, OutputIsFilledExactlyAndNeverOverrun) {
    // A stream of one long run into buffers of every small size: the count is what fits, and
    // the byte after the buffer is untouched.
    const std::vector<std::uint8_t> run(5000, 42);
    const std::vector<std::uint8_t> codes = LzwEncode(8, run);
    for (std::size_t size = 0; size < 200; ++size) {
        std::vector<std::uint8_t> out(size + 1, 0xEE);
        EXPECT_EQ(LzwDecode(8, codes, std::span<std::uint8_t>(out.data(), size)), size);
        EXPECT_EQ(out[size], 0xEE) << size;
        EXPECT_EQ(std::count(out.begin(), out.end() - 1, 42), std::ptrdiff_t(size));
    }
    // A stream shorter than the buffer leaves the rest as it was.
    std::vector<std::uint8_t> out(6000, 0xEE);
    EXPECT_EQ(LzwDecode(8, codes, out), run.size());
    EXPECT_EQ(std::count(out.begin() + 5000, out.end(), 0xEE), 1000);
}

} // namespace
} // namespace pixelon
