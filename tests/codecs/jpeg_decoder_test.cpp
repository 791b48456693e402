#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/Errors.h"
#include "codecs/JpegDecoder.h"
#include "tests/codecs/jpeg_support.h"

namespace pixelon {
namespace {

using testing::photoLike;
using testing::psnr;
using testing::RawImage;
using testing::readBytes;
using testing::readPnm;
using testing::run;
using testing::TempDir;

struct ReferenceCase {
    const char* name;
    const char* options;
    int width;
    int height;
    bool grey;
};

class JpegDecoderReference : public ::testing::TestWithParam<ReferenceCase> {};

// Files made by the reference encoder decode like the reference decoder's box up-sampling.
TEST_P(JpegDecoderReference, MatchesReferenceDecoder) {
    const ReferenceCase& c = GetParam();
    TempDir dir(std::string("jpegdec-") + c.name);
    testing::writePnm(dir / "in.pnm", photoLike(c.width, c.height, c.grey ? 1 : 3));
    const std::string jpg = (dir / "in.jpg").string();
    if (!run(std::string("cjpeg ") + c.options + " -outfile " + jpg + " " +
             (dir / "in.pnm").string()))
        GTEST_SKIP() << "cjpeg is not available";
    ASSERT_TRUE(run("djpeg -nosmooth -outfile " + (dir / "ref.pnm").string() + " " + jpg));
    RawImage ref = readPnm(dir / "ref.pnm");

    jpeg::DecodedImage ours = jpeg::DecodeJpeg(readBytes(jpg));
    EXPECT_EQ(ours.width, c.width);
    EXPECT_EQ(ours.height, c.height);
    ASSERT_EQ(ours.channels, ref.channels);
    EXPECT_GE(psnr(ours.samples, ref.samples), 40.0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegDecoderReference,
    ::testing::Values(ReferenceCase{"baseline", "", 96, 64, false},
                      ReferenceCase{"progressive", "-progressive", 97, 61, false},
                      ReferenceCase{"grey", "-grayscale", 50, 33, false},
                      ReferenceCase{"greyFrame", "", 41, 17, true},
                      ReferenceCase{"greyProgressive", "-progressive", 41, 17, true},
                      ReferenceCase{"restart", "-restart 1", 131, 70, false},
                      ReferenceCase{"restartBlocks", "-restart 3B -progressive", 75, 40, false},
                      ReferenceCase{"h1v1", "-sample 1x1", 33, 47, false},
                      ReferenceCase{"h2v1", "-sample 2x1", 35, 19, false},
                      ReferenceCase{"h1v2", "-sample 1x2", 35, 19, false},
                      ReferenceCase{"h2v2", "-sample 2x2", 51, 37, false},
                      ReferenceCase{"h4v1", "-sample 4x1", 70, 9, false},
                      ReferenceCase{"progressive444", "-progressive -sample 1x1", 29, 31, false},
                      ReferenceCase{"optimized", "-optimize", 64, 64, false},
                      ReferenceCase{"quality100", "-quality 100", 23, 23, false},
                      ReferenceCase{"quality5", "-quality 5 -progressive", 40, 24, false},
                      // Tables above 255 make an extended sequential frame with 16-bit tables.
                      ReferenceCase{"extended", "-quality 3", 40, 24, false},
                      ReferenceCase{"onePixel", "", 1, 1, false},
                      ReferenceCase{"onePixelProgressive", "-progressive", 1, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A sequential file with one scan per component, and a progressive one with a custom script.
TEST(JpegDecoderScripts, SeparateScansMatchReferenceDecoder) {
    if (!testing::haveReferenceTools())
        GTEST_SKIP() << "cjpeg is not available";
    TempDir dir("jpegscripts");
    testing::writePnm(dir / "in.pnm", photoLike(77, 45));
    const std::pair<const char*, const char*> scripts[] = {
        {"", "0: 0 63 0 0;\n1: 0 63 0 0;\n2: 0 63 0 0;\n"},
        {"-progressive", "0 1 2: 0 0 0 1;\n0: 1 9 0 0;\n2: 1 63 0 0;\n1: 1 63 0 0;\n0: 10 63 0 "
                         "0;\n0 1 2: 0 0 1 0;\n"},
    };
    for (const auto& [mode, script] : scripts) {
        std::ofstream(dir / "scans.txt") << script;
        const std::string jpg = (dir / "s.jpg").string();
        ASSERT_TRUE(run(std::string("cjpeg ") + mode + " -scans " + (dir / "scans.txt").string() +
                        " -outfile " + jpg + " " + (dir / "in.pnm").string()));
        ASSERT_TRUE(run("djpeg -nosmooth -outfile " + (dir / "ref.pnm").string() + " " + jpg));
        jpeg::DecodedImage ours = jpeg::DecodeJpeg(readBytes(jpg));
        EXPECT_GE(psnr(ours.samples, readPnm(dir / "ref.pnm").samples), 40.0) << script;
    }
}

std::vector<std::uint8_t> referenceFile(const TempDir& dir, const std::string& options, int w = 64,
                                        int h = 48) {
    testing::writePnm(dir / "src.pnm", photoLike(w, h));
    if (!run("cjpeg " + options + " -outfile " + (dir / "src.jpg").string() + " " +
             (dir / "src.pnm").string()))
        return {};
    return readBytes(dir / "src.jpg");
}

void expectFatal(std::span<const std::uint8_t> data, const jpeg::DecodeLimits& limits = {}) {
    EXPECT_THROW(jpeg::DecodeJpeg(data, limits), EFatalError);
}

std::size_t findMarker(const std::vector<std::uint8_t>& d, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < d.size(); ++i)
        if (d[i] == 0xFF && d[i + 1] == code)
            return i;
    return d.size();
}

TEST(JpegDecoderMalformed, RejectsWhatIsNotAJpeg) {
    expectFatal(std::vector<std::uint8_t>{});
    expectFatal(std::vector<std::uint8_t>{0xFF});
    expectFatal(std::vector<std::uint8_t>{'B', 'M', 0, 0});
    // A start marker and nothing else has no image.
    expectFatal(std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xD9});
}

TEST(JpegDecoderMalformed, TruncatedFilesDecodeWhatIsThereOrFailCleanly) {
    TempDir dir("jpegtrunc");
    for (const char* options : {"", "-progressive", "-restart 1"}) {
        std::vector<std::uint8_t> full = referenceFile(dir, options, 80, 80);
        if (full.empty())
            GTEST_SKIP() << "cjpeg is not available";
        const std::size_t sos = findMarker(full, 0xDA);
        for (std::size_t cut = 0; cut < full.size(); cut += 37) {
            std::span<const std::uint8_t> part(full.data(), cut);
            if (cut < sos + 14) {
                EXPECT_THROW(jpeg::DecodeJpeg(part), EFatalError) << options << " cut " << cut;
                continue;
            }
            jpeg::DecodedImage img = jpeg::DecodeJpeg(part);
            EXPECT_EQ(img.width, 80);
            EXPECT_EQ(img.samples.size(), 80u * 80u * 3u);
        }
    }
}

TEST(JpegDecoderMalformed, TruncatedBaselineKeepsItsTopRows) {
    TempDir dir("jpegtop");
    std::vector<std::uint8_t> full = referenceFile(dir, "-sample 1x1", 64, 64);
    if (full.empty())
        GTEST_SKIP() << "cjpeg is not available";
    jpeg::DecodedImage whole = jpeg::DecodeJpeg(full);
    std::vector<std::uint8_t> half(full.begin(),
                                   full.begin() + std::ptrdiff_t(full.size() * 3 / 4));
    jpeg::DecodedImage part = jpeg::DecodeJpeg(half);
    std::vector<std::uint8_t> topWhole(whole.samples.begin(), whole.samples.begin() + 64 * 16 * 3);
    std::vector<std::uint8_t> topPart(part.samples.begin(), part.samples.begin() + 64 * 16 * 3);
    EXPECT_EQ(topWhole, topPart);
}

TEST(JpegDecoderMalformed, FrameSizesAreChecked) {
    TempDir dir("jpegsize");
    std::vector<std::uint8_t> file = referenceFile(dir, "");
    if (file.empty())
        GTEST_SKIP() << "cjpeg is not available";
    const std::size_t sof = findMarker(file, 0xC0);
    ASSERT_LT(sof + 9, file.size());
    auto withSize = [&](int w, int h) {
        std::vector<std::uint8_t> d = file;
        d[sof + 5] = std::uint8_t(h >> 8);
        d[sof + 6] = std::uint8_t(h);
        d[sof + 7] = std::uint8_t(w >> 8);
        d[sof + 8] = std::uint8_t(w);
        return d;
    };
    expectFatal(withSize(0, 48));
    expectFatal(withSize(64, 0));
    expectFatal(withSize(65535, 65535));
    expectFatal(withSize(16385, 8));
    jpeg::DecodeLimits small;
    small.maxPixels = 1000;
    expectFatal(withSize(64, 48), small);
    // A larger frame than the data covers still decodes: missing blocks stay flat.
    jpeg::DecodedImage big = jpeg::DecodeJpeg(withSize(300, 200));
    EXPECT_EQ(big.width, 300);
    EXPECT_EQ(big.height, 200);
}

TEST(JpegDecoderCrop, HugeSequentialFramesGiveTheirTopLeftPart) {
    // 16400 pixels wide, just beyond what is read whole: 4:2:0 and grey, made by cjpeg.
    TempDir dir("jpegcrop");
    for (const char* options : {"-sample 2x2", "-grayscale", "-sample 1x1 -restart 3"}) {
        std::vector<std::uint8_t> file = referenceFile(dir, options, 16400, 40);
        if (file.empty())
            GTEST_SKIP() << "cjpeg is not available";
        expectFatal(file);
        jpeg::DecodeLimits crop;
        crop.cropWidth = 1280;
        crop.cropHeight = 24;
        jpeg::DecodedImage part = jpeg::DecodeJpeg(file, crop);
        ASSERT_EQ(part.width, 1280) << options;
        ASSERT_EQ(part.height, 24);
        ASSERT_EQ(part.samples.size(), std::size_t(1280 * 24 * part.channels));
        // The same pixels as the whole frame decoded with the limit raised.
        jpeg::DecodeLimits wide;
        wide.maxDimension = 20000;
        jpeg::DecodedImage whole = jpeg::DecodeJpeg(file, wide);
        const std::size_t row = std::size_t(1280 * part.channels);
        for (int y = 0; y < 24; ++y)
            ASSERT_TRUE(std::equal(
                part.samples.begin() + std::ptrdiff_t(row * std::size_t(y)),
                part.samples.begin() + std::ptrdiff_t(row * std::size_t(y + 1)),
                whole.samples.begin() +
                    std::ptrdiff_t(std::size_t(whole.width * whole.channels) * std::size_t(y))))
                << options << " row " << y;
    }
    // A progressive frame holds every coefficient until its last scan: it is still refused.
    std::vector<std::uint8_t> progressive = referenceFile(dir, "-progressive", 16400, 16);
    jpeg::DecodeLimits crop;
    crop.cropWidth = 1280;
    crop.cropHeight = 1024;
    expectFatal(progressive, crop);
}

TEST(JpegDecoderMalformed, BadSegmentsAndTables) {
    TempDir dir("jpegbad");
    std::vector<std::uint8_t> file = referenceFile(dir, "");
    if (file.empty())
        GTEST_SKIP() << "cjpeg is not available";
    // Arithmetic coding and lossless frames are rejected.
    for (std::uint8_t code : {0xC9, 0xCA, 0xC3, 0xC5}) {
        std::vector<std::uint8_t> d = file;
        d[findMarker(d, 0xC0) + 1] = code;
        expectFatal(d);
    }
    // A scan naming a component the frame lacks.
    std::vector<std::uint8_t> d = file;
    d[findMarker(d, 0xDA) + 5] = 9;
    expectFatal(d);
    // An over-full Huffman table.
    d = file;
    std::size_t dht = findMarker(d, 0xC4);
    d[dht + 5] = 200; // 200 codes of length 1
    expectFatal(d);
    // A segment length below 2.
    d = file;
    std::size_t dqt = findMarker(d, 0xDB);
    d[dqt + 2] = 0;
    d[dqt + 3] = 1;
    expectFatal(d);
    // Garbage in the entropy data decodes to something without failing.
    d = file;
    for (std::size_t i = findMarker(d, 0xDA) + 20; i + 2 < d.size(); i += 7)
        d[i] = std::uint8_t(d[i] ^ 0x5A);
    EXPECT_NO_THROW(jpeg::DecodeJpeg(d));
}

// A restart interval with data missing spoils its own rows only.
TEST(JpegDecoderMalformed, DamagedRestartIntervalIsContained) {
    TempDir dir("jpegrstdamage");
    for (const char* options : {"-restart 1", "-restart 1 -sample 1x1", "-restart 1 -grayscale"}) {
        std::vector<std::uint8_t> file = referenceFile(dir, options, 64, 64);
        if (file.empty())
            GTEST_SKIP() << "cjpeg is not available";
        jpeg::DecodedImage whole = jpeg::DecodeJpeg(file);
        std::vector<std::size_t> restarts;
        for (std::size_t i = findMarker(file, 0xDA); i + 1 < file.size(); ++i)
            if (file[i] == 0xFF && file[i + 1] >= 0xD0 && file[i + 1] <= 0xD7)
                restarts.push_back(i);
        ASSERT_GE(restarts.size(), 3u) << options;
        std::vector<std::uint8_t> damaged = file;
        const std::size_t from = restarts[0] + 4, to = (restarts[0] + restarts[1]) / 2;
        ASSERT_LT(from, to);
        damaged.erase(damaged.begin() + std::ptrdiff_t(from), damaged.begin() + std::ptrdiff_t(to));
        jpeg::DecodedImage part = jpeg::DecodeJpeg(damaged);
        ASSERT_EQ(part.samples.size(), whole.samples.size());
        const std::size_t rowBytes = 64u * std::size_t(whole.channels);
        // The first rows and the last ones decode as before.
        EXPECT_TRUE(std::equal(whole.samples.begin(),
                               whole.samples.begin() + std::ptrdiff_t(rowBytes * 8),
                               part.samples.begin()))
            << options;
        EXPECT_TRUE(std::equal(whole.samples.end() - std::ptrdiff_t(rowBytes * 8),
                               whole.samples.end(),
                               part.samples.end() - std::ptrdiff_t(rowBytes * 8)))
            << options;
    }
}

TEST(JpegDecoderMalformed, HugeQuantisationSaturates) {
    TempDir dir("jpeghugeq");
    std::vector<std::uint8_t> file = referenceFile(dir, "-sample 1x1");
    if (file.empty())
        GTEST_SKIP() << "cjpeg is not available";
    // 16-bit tables 0 and 1 of 65535 everywhere, defined after the file's own tables.
    std::vector<std::uint8_t> dqt = {0xFF, 0xDB, 0x01, 0x04};
    for (int t = 0; t < 2; ++t) {
        dqt.push_back(std::uint8_t(0x10 | t));
        dqt.insert(dqt.end(), 128, 0xFF);
    }
    file.insert(file.begin() + std::ptrdiff_t(findMarker(file, 0xC0)), dqt.begin(), dqt.end());
    jpeg::DecodedImage img = jpeg::DecodeJpeg(file);
    ASSERT_EQ(img.samples.size(), 64u * 48u * 3u);
    int saturated = 0;
    for (std::uint8_t v : img.samples)
        saturated += v == 0 || v == 255;
    EXPECT_GT(saturated, int(img.samples.size()) / 2);
}

TEST(JpegDecoderMalformed, ScanCountIsCapped) {
    TempDir dir("jpegscans");
    std::vector<std::uint8_t> file = referenceFile(dir, "-progressive");
    if (file.empty())
        GTEST_SKIP() << "cjpeg is not available";
    jpeg::DecodeLimits limits;
    limits.maxScans = 2;
    // The scans within the cap are kept; the image is whatever they carried.
    jpeg::DecodedImage img = jpeg::DecodeJpeg(file, limits);
    EXPECT_EQ(img.width, 64);
    // Many empty scans in a row stop at the cap rather than running on.
    std::vector<std::uint8_t> d(file.begin(),
                                file.begin() + std::ptrdiff_t(findMarker(file, 0xDA)));
    const std::uint8_t scan[] = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00};
    for (int i = 0; i < 5000; ++i)
        d.insert(d.end(), std::begin(scan), std::end(scan));
    EXPECT_NO_THROW(jpeg::DecodeJpeg(d));
}

TEST(JpegDecoderDensity, ReportsJfifDensities) {
    TempDir dir("jpegdensity");
    std::vector<std::uint8_t> file = referenceFile(dir, "");
    if (file.empty())
        GTEST_SKIP() << "cjpeg is not available";
    jpeg::DecodedImage img = jpeg::DecodeJpeg(file);
    EXPECT_TRUE(img.hasDensity);
    EXPECT_EQ(img.densityUnits, 0); // the reference encoder writes an aspect ratio of 1:1
    EXPECT_EQ(img.xDensity, 1);
}

} // namespace
} // namespace pixelon
