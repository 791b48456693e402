// The integer inverse DCT and the paired-row colour conversion: the vector versions against the
// scalar code, the scalar code against the definitions, and whole files against the reference
// decoder's integer transform, sample for sample.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "codecs/Errors.h"
#include "codecs/JpegDecoder.h"
#include "codecs/JpegIdct.h"
#include "codecs/JpegKernels.h"
#include "tests/codecs/jpeg_support.h"

namespace pixelon {
namespace {

using jpeg::IntegerQuant;
using testing::photoLike;
using testing::readBytes;
using testing::readPnm;
using testing::run;
using testing::TempDir;

using IdctFunction = void (*)(const std::int16_t*, const std::int16_t*, int, std::uint8_t*,
                              std::size_t);

// The vector transforms this processor can run, by name.
std::vector<std::pair<const char*, IdctFunction>> vectorTransforms() {
    std::vector<std::pair<const char*, IdctFunction>> list = {{"sse2", jpeg::InverseDctIntSse2}};
    if (jpeg::CpuHasAvx2())
        list.emplace_back("avx2", jpeg::InverseDctIntAvx2);
    return list;
}

IntegerQuant quantOf(int value) {
    IntegerQuant q;
    q.fill(std::int16_t(value));
    return q;
}

TEST(JpegIntegerTransform, VectorVersionsMatchTheScalarCode) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 40000; ++trial) {
        std::array<std::uint16_t, 64> table;
        const int range = trial % 3 == 0 ? 255 : trial % 7 == 0 ? 65535 : 16;
        for (auto& q : table)
            q = std::uint16_t(1 + rng() % unsigned(range));
        const IntegerQuant quant = jpeg::MakeIntegerQuant(table);
        // Runs of one to five blocks, so pairs, odd blocks and mixed flat and busy pairs occur.
        const int count = 1 + trial % 5;
        std::vector<std::int16_t> coef(64 * std::size_t(count), 0);
        for (int b = 0; b < count; ++b) {
            std::int16_t* c = coef.data() + 64 * b;
            const int kind = int(rng() % 6);
            c[0] = std::int16_t(int(rng() % 4096) - 2048);
            for (int k = 1; k < 64 && kind != 0; ++k) {
                if (kind == 1 && rng() % 8 != 0)
                    continue;
                if (kind == 4)
                    c[k] = std::int16_t(rng() % 2 ? 32767 : -32768);
                else if (kind == 5)
                    c[k] = std::int16_t(rng());
                else
                    c[k] = std::int16_t(int(rng() % 512) - 256);
            }
            if (kind == 3)
                c[63] = 1;
        }
        const std::size_t stride = 8 * std::size_t(count) + std::size_t(trial % 3) * 5;
        std::vector<std::uint8_t> expected(stride * 8, 0xAA);
        jpeg::InverseDctIntScalar(coef.data(), quant.data(), count, expected.data(), stride);
        for (const auto& [name, transform] : vectorTransforms()) {
            std::vector<std::uint8_t> got(stride * 8, 0xAA);
            transform(coef.data(), quant.data(), count, got.data(), stride);
            ASSERT_EQ(got, expected) << name << " trial " << trial;
        }
    }
}

TEST(JpegIntegerTransform, ScalarCodeFollowsTheDefinition) {
    std::mt19937 rng(12);
    for (int trial = 0; trial < 300; ++trial) {
        std::int16_t coef[64] = {};
        for (int k = 0; k < 64; ++k)
            coef[k] = std::int16_t(int(rng() % (k < 10 ? 400 : 40)) - (k < 10 ? 200 : 20));
        const int q = 1 + trial % 4;
        std::uint8_t out[64];
        jpeg::InverseDctIntScalar(coef, quantOf(q).data(), 1, out, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                double sum = 0;
                for (int u = 0; u < 8; ++u)
                    for (int v = 0; v < 8; ++v)
                        sum += (u ? 1 : M_SQRT1_2) * (v ? 1 : M_SQRT1_2) * coef[u * 8 + v] * q *
                               std::cos((2 * x + 1) * v * M_PI / 16) *
                               std::cos((2 * y + 1) * u * M_PI / 16);
                const double exact = std::clamp(sum / 4 + 128, 0.0, 255.0);
                // Thirteen-bit constants and two fraction bits between the passes.
                ASSERT_NEAR(out[y * 8 + x], exact, 1.01) << "trial " << trial;
            }
    }
}

TEST(JpegIntegerTransform, FlatBlocksAndOverflowSaturate) {
    std::int16_t coef[128] = {};
    std::uint8_t out[16 * 8];
    // DC alone gives a flat block of DC / 8 + 128, rounded; both blocks of a pair.
    coef[0] = 80;
    coef[64] = -1024;
    for (const auto& [name, transform] : vectorTransforms()) {
        transform(coef, quantOf(1).data(), 2, out, 16);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(out[y * 16 + x], x < 8 ? 138 : 0) << name;
    }
    // Products beyond 16 bits saturate rather than wrap around to the other sign.
    coef[0] = 32767;
    coef[64] = -32768;
    coef[1] = coef[65] = 0;
    for (auto transform : {IdctFunction(jpeg::InverseDctIntScalar), vectorTransforms()[0].second}) {
        transform(coef, quantOf(255).data(), 2, out, 16);
        EXPECT_EQ(out[0], 255);
        EXPECT_EQ(out[8], 0);
    }
    // A busy block with huge coefficients stays within the samples, equal in every version.
    for (int k = 0; k < 64; ++k)
        coef[k] = std::int16_t(k % 2 ? 32767 : -32768);
    std::uint8_t scalar[64], vector[64];
    jpeg::InverseDctIntScalar(coef, quantOf(200).data(), 1, scalar, 8);
    for (const auto& [name, transform] : vectorTransforms()) {
        transform(coef, quantOf(200).data(), 1, vector, 8);
        EXPECT_EQ(0, std::memcmp(scalar, vector, 64)) << name;
    }
}

TEST(JpegColourPairs, EveryKernelSetConvertsAsTheSingleRowCode) {
    // Every Cb, Cr pair once, and rows of every width up to 80 with random samples.
    std::mt19937 rng(13);
    const std::vector<const jpeg::JpegKernels*> sets = {
        &jpeg::ScalarJpegKernels(), &jpeg::Sse2JpegKernels(), &jpeg::VectorJpegKernels()};
    std::vector<int> widths = {2 * 65536};
    for (int w = 1; w <= 80; ++w)
        widths.push_back(w);
    for (int width : widths) {
        const std::size_t chroma = std::size_t(width + 1) / 2;
        const std::size_t n = std::size_t(width);
        std::vector<std::uint8_t> y0(n), y1(n), cb(chroma), cr(chroma);
        for (std::size_t i = 0; i < chroma; ++i) {
            cb[i] = std::uint8_t(width > 80 ? i & 255 : rng());
            cr[i] = std::uint8_t(width > 80 ? i >> 8 : rng());
        }
        for (auto* row : {&y0, &y1})
            for (auto& v : *row)
                v = std::uint8_t(rng());
        std::vector<std::uint8_t> expected0(3 * y0.size() + 1, 7), expected1 = expected0;
        jpeg::ScalarJpegKernels().yccToRgbRow(y0.data(), cb.data(), cr.data(), width, true,
                                              expected0.data());
        jpeg::ScalarJpegKernels().yccToRgbRow(y1.data(), cb.data(), cr.data(), width, true,
                                              expected1.data());
        for (const jpeg::JpegKernels* set : sets) {
            std::vector<std::uint8_t> got0(expected0.size(), 7), got1 = got0;
            set->yccToRgbRowPair(y0.data(), y1.data(), cb.data(), cr.data(), width, got0.data(),
                                 got1.data());
            ASSERT_EQ(got0, expected0) << set->name << " width " << width;
            ASSERT_EQ(got1, expected1) << set->name << " width " << width;
        }
    }
}

// Records what a decoder hands over and checks the order it comes in.
class BandRecorder : public jpeg::JpegRowSink {
public:
    void Begin(const jpeg::DecodedImage& frame) override {
        ++begun;
        image = frame;
        rowBytes = std::size_t(frame.width) * std::size_t(frame.channels);
        image.samples.assign(rowBytes * std::size_t(frame.height), 0);
        band.assign(32 * rowBytes, 0);
    }
    std::uint8_t* Row(int y) override {
        EXPECT_GE(y, done);
        EXPECT_LT(y, done + 32);
        if (y < done || y >= done + 32)
            y = done;
        return band.data() + std::size_t(y - done) * rowBytes;
    }
    void EndBand(int end) override {
        EXPECT_GT(end, done);
        EXPECT_LE(end, done + 32);
        std::copy_n(band.begin(), std::size_t(end - done) * rowBytes,
                    image.samples.begin() + std::ptrdiff_t(std::size_t(done) * rowBytes));
        // Whatever stays in the band must not reach the next one.
        std::fill(band.begin(), band.end(), 0xEE);
        done = end;
    }

    int begun = 0;
    int done = 0;
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> band;
    jpeg::DecodedImage image;
};

// The reference decoder with the integer transform and replicated chroma.
testing::RawImage referenceDecode(const TempDir& dir, const std::string& jpg) {
    if (!run("djpeg -dct int -nosmooth -outfile " + (dir / "ref.pnm").string() + " " + jpg))
        return {};
    return readPnm(dir / "ref.pnm");
}

TEST(JpegIntegerTransform, FilesDecodeAsTheReferenceDecoderExactly) {
    if (!testing::haveReferenceTools())
        GTEST_SKIP() << "cjpeg and djpeg are not available";
    TempDir dir("jpegexact");
    // Sizes that leave partial MCUs, and one taller than any band.
    testing::writePnm(dir / "c.ppm", photoLike(131, 77));
    testing::writePnm(dir / "g.pgm", photoLike(61, 35, 1));
    testing::writePnm(dir / "tall.ppm", photoLike(40, 203));
    const char* variants[] = {"-sample 2x2",
                              "-sample 1x1",
                              "-sample 2x1",
                              "-sample 1x2",
                              "-sample 4x1",
                              "-sample 2x2 -progressive",
                              "-sample 2x2 -restart 1",
                              "-quality 100",
                              "-quality 5",
                              "-quality 5 -baseline",
                              "-grayscale"};
    const std::vector<const jpeg::JpegKernels*> sets = {
        &jpeg::ScalarJpegKernels(), &jpeg::Sse2JpegKernels(), &jpeg::VectorJpegKernels()};
    const jpeg::JpegKernels& saved = jpeg::ActiveJpegKernels();
    for (const char* options : variants) {
        for (const char* input : {"c.ppm", "g.pgm", "tall.ppm"}) {
            const std::string jpg = (dir / "v.jpg").string();
            ASSERT_TRUE(run(std::string("cjpeg ") + options + " -outfile " + jpg + " " +
                            (dir / input).string()));
            const testing::RawImage ref = referenceDecode(dir, jpg);
            ASSERT_FALSE(ref.samples.empty());
            const std::vector<std::uint8_t> file = readBytes(jpg);
            for (const jpeg::JpegKernels* set : sets) {
                jpeg::SelectJpegKernels(*set);
                BandRecorder bands;
                jpeg::DecodeJpegRows(file, bands);
                EXPECT_EQ(bands.begun, 1);
                EXPECT_EQ(bands.done, ref.height);
                EXPECT_EQ(bands.image.channels, ref.channels);
                EXPECT_TRUE(bands.image.samples == ref.samples)
                    << options << " " << input << " " << set->name;
                EXPECT_TRUE(jpeg::DecodeJpeg(file).samples == ref.samples);
            }
        }
    }
    jpeg::SelectJpegKernels(saved);
}

TEST(JpegRowSink, DamagedFilesHandOverEveryRowAfterBegin) {
    TempDir dir("jpegbands");
    testing::writePnm(dir / "c.ppm", photoLike(64, 64));
    if (!run("cjpeg -outfile " + (dir / "c.jpg").string() + " " + (dir / "c.ppm").string()))
        GTEST_SKIP() << "cjpeg is not available";
    const std::vector<std::uint8_t> full = readBytes(dir / "c.jpg");
    for (std::size_t cut = 2; cut < full.size(); cut += 97) {
        const std::span<const std::uint8_t> part(full.data(), cut);
        BandRecorder bands;
        try {
            jpeg::DecodeJpegRows(part, bands);
        } catch (const EFatalError&) {
            // Refused files are refused before any row.
            EXPECT_EQ(bands.begun, 0) << cut;
            continue;
        }
        EXPECT_EQ(bands.begun, 1) << cut;
        EXPECT_EQ(bands.done, 64) << cut;
        EXPECT_TRUE(bands.image.samples == jpeg::DecodeJpeg(part).samples) << cut;
    }
}

} // namespace
} // namespace pixelon
