// The vector kernels against the scalar ones: every result bit-identical, on random input and
// on whole files decoded and encoded both ways.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "codecs/Errors.h"
#include "codecs/ImageObject.h"
#include "codecs/JpegDct.h"
#include "codecs/JpegDecoder.h"
#include "codecs/JpegEncoder.h"
#include "codecs/JpegKernels.h"
#include "codecs/JpegTables.h"
#include "tests/codecs/jpeg_support.h"

namespace pixelon {
namespace {

using jpeg::JpegKernels;
using testing::photoLike;
using testing::RawImage;
using testing::readBytes;
using testing::run;
using testing::TempDir;

const JpegKernels& scalar() {
    return jpeg::ScalarJpegKernels();
}
const JpegKernels& vec() {
    return jpeg::VectorJpegKernels();
}

// Restores the kernels the codec uses when a test ends.
class KernelChoice {
public:
    KernelChoice() : m_saved(jpeg::ActiveJpegKernels()) {}
    ~KernelChoice() { jpeg::SelectJpegKernels(m_saved); }

private:
    const JpegKernels& m_saved;
};

std::vector<std::uint8_t> randomBytes(std::mt19937& rng, std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = std::uint8_t(rng());
    return v;
}

TEST(JpegKernels, InverseDctMatchesOnRandomBlocks) {
    std::mt19937 rng(1);
    std::array<std::uint16_t, 64> quant;
    // Many blocks: a difference in rounding shows only where a sample lands next to a step.
    for (int trial = 0; trial < 60000; ++trial) {
        // Flat, sparse, dense and extreme blocks, with varied tables and both precisions.
        for (auto& q : quant)
            q = std::uint16_t(1 + rng() % (trial % 3 == 0 ? 255 : 16));
        const auto multipliers = jpeg::InverseDctMultipliers(quant);
        std::int16_t coef[64] = {};
        const int kind = trial % 5;
        coef[0] = std::int16_t(int(rng() % 4096) - 2048);
        for (int k = 1; k < 64; ++k) {
            if (kind == 0)
                break; // DC only
            if (kind == 1 && rng() % 8 != 0)
                continue;
            if (kind == 4)
                coef[k] = std::int16_t(rng() % 2 ? 32767 : -32768);
            else
                coef[k] = std::int16_t(int(rng() % 512) - 256);
        }
        if (kind == 3)
            coef[63] = 1; // only the last coefficient besides DC
        const bool twelveBit = trial % 7 == 0;
        const int centre = twelveBit ? 2048 : 128, top = twelveBit ? 4095 : 255;
        const int shift = twelveBit ? 4 : 0;
        const std::size_t stride = 8 + std::size_t(trial % 3) * 5;
        std::vector<std::uint8_t> a(stride * 8, 0xAA), b(stride * 8, 0xAA);
        scalar().inverseDct(coef, multipliers.data(), a.data(), stride, centre, top, shift);
        vec().inverseDct(coef, multipliers.data(), b.data(), stride, centre, top, shift);
        ASSERT_EQ(a, b) << "trial " << trial;
    }
}

TEST(JpegKernels, ForwardDctQuantiseMatchesOnRandomBlocks) {
    std::mt19937 rng(2);
    std::array<std::uint16_t, 64> quant;
    for (int trial = 0; trial < 10000; ++trial) {
        for (auto& q : quant)
            q = std::uint16_t(1 + rng() % (trial % 2 ? 255 : 8));
        std::array<float, 64> reciprocal;
        for (int i = 0; i < 64; ++i)
            reciprocal[std::size_t(i)] =
                float(1.0 / (quant[std::size_t(i)] * jpeg::AanScale[std::size_t(i / 8)] *
                             jpeg::AanScale[std::size_t(i % 8)] * 8.0));
        const std::size_t stride = 8 + std::size_t(trial % 4) * 3;
        std::vector<float> samples(stride * 8);
        for (auto& s : samples)
            // Level-shifted samples, also fractional ones as the chroma averages give.
            s = trial % 3 == 0 ? float(int(rng() % 256) - 128)
                               : float(int(rng() % 1024)) / 4.0f - 128;
        std::int16_t a[64], b[64];
        scalar().forwardDctQuantise(samples.data(), stride, reciprocal.data(), a);
        vec().forwardDctQuantise(samples.data(), stride, reciprocal.data(), b);
        ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << "trial " << trial;
    }
}

TEST(JpegKernels, ColourConversionsMatchAtEveryWidth) {
    std::mt19937 rng(3);
    for (int width = 1; width <= 80; ++width) {
        for (bool half : {false, true}) {
            const auto y = randomBytes(rng, std::size_t(width));
            const auto cb = randomBytes(rng, std::size_t(width));
            const auto cr = randomBytes(rng, std::size_t(width));
            std::vector<std::uint8_t> a(std::size_t(width) * 3 + 1, 7), b = a;
            scalar().yccToRgbRow(y.data(), cb.data(), cr.data(), width, half, a.data());
            vec().yccToRgbRow(y.data(), cb.data(), cr.data(), width, half, b.data());
            ASSERT_EQ(a, b) << "width " << width << " half " << half;
        }
        const auto rgb = randomBytes(rng, std::size_t(width) * 3);
        std::vector<float> a(std::size_t(width) * 3), b(a.size());
        scalar().rgbToYccRow(rgb.data(), width, a.data(), a.data() + width, a.data() + 2 * width);
        vec().rgbToYccRow(rgb.data(), width, b.data(), b.data() + width, b.data() + 2 * width);
        ASSERT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float))) << width;

        std::vector<float> rows(std::size_t(width) * 4);
        for (auto& v : rows)
            v = float(int(rng() % 256) - 128) + (rng() % 2 ? 0.25f : 0.0f);
        std::vector<float> ha(static_cast<std::size_t>(width)), hb(ha.size());
        scalar().halveRow(rows.data(), rows.data() + 2 * width, width, ha.data());
        vec().halveRow(rows.data(), rows.data() + 2 * width, width, hb.data());
        ASSERT_EQ(0, std::memcmp(ha.data(), hb.data(), ha.size() * sizeof(float))) << width;
    }
}

jpeg::DecodedImage decodeWith(const JpegKernels& kernels, const std::vector<std::uint8_t>& file) {
    jpeg::SelectJpegKernels(kernels);
    return jpeg::DecodeJpeg(file);
}

std::vector<std::uint8_t> encodeWith(const JpegKernels& kernels, const RawImage& raw,
                                     std::uint16_t quality) {
    CImageObject image;
    image.Create(raw.width, raw.height, raw.channels == 1 ? LuminanceChannels : RgbChannels);
    const std::size_t row = std::size_t(raw.width) * std::size_t(raw.channels);
    for (int y = 0; y < raw.height; ++y)
        std::copy_n(raw.samples.begin() + std::ptrdiff_t(row * std::size_t(y)), row,
                    image.GetBuffer()->Row(y).begin());
    jpeg::SelectJpegKernels(kernels);
    jpeg::EncodeOptions options;
    options.qualityParameter = quality;
    return jpeg::EncodeJpegToMemory(image, options);
}

// Both kernel sets decode the file to the same samples, or both refuse it with the same text
// (the fuzzing corpus holds damaged files too).
void expectSameDecoding(const std::vector<std::uint8_t>& file, const std::string& what) {
    jpeg::DecodedImage a, b;
    std::string refusedA, refusedB;
    try {
        a = decodeWith(scalar(), file);
    } catch (const EFatalError& e) {
        refusedA = e.what();
    }
    try {
        b = decodeWith(vec(), file);
    } catch (const EFatalError& e) {
        refusedB = e.what();
    }
    EXPECT_EQ(refusedA, refusedB) << what;
    EXPECT_EQ(a.width, b.width) << what;
    EXPECT_EQ(a.channels, b.channels) << what;
    EXPECT_TRUE(a.samples == b.samples) << what;
}

TEST(JpegKernels, FilesDecodeIdenticallyBothWays) {
    KernelChoice restore;
    // The fuzzing corpus: files of the reference encoder and of ours.
    const char* source = std::getenv("PIXELON_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    int files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(source) / "fuzz/corpus/jpeg")) {
        expectSameDecoding(readBytes(entry.path()), entry.path().filename().string());
        ++files;
    }
    EXPECT_GT(files, 0);

    // Every sampling and coding variant the reference encoder makes, at awkward sizes.
    TempDir dir("jpegkernels");
    const RawImage colour = photoLike(131, 77), grey = photoLike(61, 35, 1);
    testing::writePnm(dir / "c.ppm", colour);
    testing::writePnm(dir / "g.pgm", grey);
    const char* variants[] = {"",
                              "-sample 1x1",
                              "-sample 2x1",
                              "-sample 1x2",
                              "-sample 4x1",
                              "-sample 2x2 -progressive",
                              "-restart 2",
                              "-quality 100",
                              "-quality 20",
                              "-grayscale"};
    for (const char* options : variants) {
        for (const char* input : {"c.ppm", "g.pgm"}) {
            const std::string out = (dir / "v.jpg").string();
            if (!run(std::string("cjpeg ") + options + " -outfile " + out + " " +
                     (dir / input).string()))
                GTEST_SKIP() << "cjpeg is not available";
            expectSameDecoding(readBytes(out), std::string(options) + " " + input);
        }
    }

    // Damaged data: the same pixels either way, whatever the decoder makes of it.
    std::vector<std::uint8_t> file = encodeWith(scalar(), colour, 16);
    std::mt19937 rng(4);
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<std::uint8_t> damaged = file;
        for (int i = 0; i < 8; ++i)
            damaged[600 + rng() % (damaged.size() - 600)] = std::uint8_t(rng());
        expectSameDecoding(damaged, "damaged " + std::to_string(trial));
    }
}

TEST(JpegKernels, EncodedFilesAreByteIdenticalBothWays) {
    KernelChoice restore;
    const struct {
        int width, height, channels;
    } sizes[] = {{1, 1, 3},    {7, 5, 3},     {16, 16, 3}, {17, 33, 3},
                 {131, 77, 3}, {320, 240, 3}, {9, 9, 1},   {61, 35, 1}};
    for (const auto& s : sizes) {
        const RawImage raw = photoLike(s.width, s.height, s.channels);
        for (std::uint16_t quality : {16, 256, 320}) {
            EXPECT_EQ(encodeWith(scalar(), raw, quality), encodeWith(vec(), raw, quality))
                << s.width << " x " << s.height << " x " << s.channels << " q " << quality;
        }
    }
}

} // namespace
} // namespace pixelon
