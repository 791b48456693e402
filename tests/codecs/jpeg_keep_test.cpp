#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "codecs/JpegCodec.h"
#include "codecs/JpegDecoder.h"
#include "tests/codecs/jpeg_support.h"

namespace pixelon {
namespace {

using testing::photoLike;
using testing::readBytes;
using testing::run;
using testing::TempDir;

// The file cjpeg makes of a photo-like picture with the given options (empty without cjpeg).
std::vector<std::uint8_t> encoded(const TempDir& dir, const std::string& options, int width,
                                  int height) {
    testing::writePnm(dir / "src.pnm", photoLike(width, height));
    if (!run("cjpeg " + options + " -outfile " + (dir / "src.jpg").string() + " " +
             (dir / "src.pnm").string()))
        return {};
    return readBytes(dir / "src.jpg");
}

// Expects `part` to be the top-left corner of `whole`, sample for sample.
void expectTopLeftOf(const jpeg::DecodedImage& part, const jpeg::DecodedImage& whole,
                     const std::string& what) {
    ASSERT_EQ(part.channels, whole.channels) << what;
    ASSERT_LE(part.width, whole.width) << what;
    ASSERT_LE(part.height, whole.height) << what;
    ASSERT_EQ(part.samples.size(),
              std::size_t(part.width) * std::size_t(part.height) * std::size_t(part.channels));
    const std::size_t row = std::size_t(part.width) * std::size_t(part.channels);
    const std::size_t wholeRow = std::size_t(whole.width) * std::size_t(whole.channels);
    for (int y = 0; y < part.height; ++y)
        ASSERT_TRUE(std::equal(part.samples.begin() + std::ptrdiff_t(row * std::size_t(y)),
                               part.samples.begin() + std::ptrdiff_t(row * std::size_t(y + 1)),
                               whole.samples.begin() + std::ptrdiff_t(wholeRow * std::size_t(y))))
            << what << ": row " << y;
}

// Sequential and progressive, interleaved and one scan a component, every sampling, restart
// intervals in MCUs and in MCU rows: the part kept is what the whole decode has there.
TEST(JpegDecoderKeep, KeptPartIsTheTopLeftOfTheWholeDecode) {
    if (!testing::haveReferenceTools())
        GTEST_SKIP() << "cjpeg is not available";
    TempDir dir("jpegkeep");
    std::ofstream(dir / "separate.txt") << "0: 0 63 0 0;\n1: 0 63 0 0;\n2: 0 63 0 0;\n";
    std::ofstream(dir / "bands.txt")
        << "0 1 2: 0 0 0 1;\n0: 1 9 0 0;\n2: 1 63 0 0;\n1: 1 63 0 0;\n0: 10 63 0 0;\n"
           "0 1 2: 0 0 1 0;\n";
    const std::string options[] = {
        "-sample 2x2",
        "-sample 1x1",
        "-sample 2x1",
        "-progressive",
        "-progressive -sample 1x1",
        "-grayscale",
        "-grayscale -progressive",
        "-restart 1",
        "-restart 5B -sample 1x1",
        "-restart 3B -progressive",
        "-scans " + (dir / "separate.txt").string(),
        "-progressive -scans " + (dir / "bands.txt").string(),
    };
    // Inside one MCU, across MCU edges, a single pixel, and larger than the frame.
    const std::pair<int, int> keeps[] = {{5, 3}, {130, 70}, {1, 1}, {203, 17}, {500, 500}};
    for (const std::string& option : options) {
        const std::vector<std::uint8_t> file = encoded(dir, option, 203, 141);
        ASSERT_FALSE(file.empty()) << option;
        const jpeg::DecodedImage whole = jpeg::DecodeJpeg(file);
        ASSERT_EQ(whole.width, 203);
        for (const auto& [width, height] : keeps) {
            jpeg::DecodeLimits limits;
            limits.keepWidth = width;
            limits.keepHeight = height;
            const jpeg::DecodedImage part = jpeg::DecodeJpeg(file, limits);
            EXPECT_EQ(part.width, std::min(width, 203)) << option;
            EXPECT_EQ(part.height, std::min(height, 141)) << option;
            expectTopLeftOf(part, whole,
                            option + " kept " + std::to_string(width) + " x " +
                                std::to_string(height));
        }
    }
}

// A progressive frame keeps every coefficient of the rows it outputs until its last scan, but
// none of the rows below them: a frame announcing 4096 x 4096 holds about a quarter of its
// coefficients when 1280 x 1024 are kept.
TEST(JpegDecoderKeep, CoefficientsAreHeldOnlyForTheKeptRows) {
    TempDir dir("jpegkeepmemory");
    std::vector<std::uint8_t> file = encoded(dir, "-grayscale -progressive", 64, 48);
    if (file.empty())
        GTEST_SKIP() << "cjpeg is not available";
    std::size_t sof = 0;
    while (sof + 9 < file.size() && !(file[sof] == 0xFF && file[sof + 1] == 0xC2))
        ++sof;
    ASSERT_LT(sof + 9, file.size());
    file[sof + 5] = file[sof + 7] = 0x10; // 4096 high and wide; the data covers the top left
    file[sof + 6] = file[sof + 8] = 0x00;

    const auto statusKb = [](const char* field) {
        std::ifstream in("/proc/self/status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind(std::string(field) + ":", 0) == 0)
                return std::stol(line.substr(std::strlen(field) + 1));
        return -1L;
    };
    const long resident = statusKb("VmRSS");
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5" << std::flush;
    jpeg::DecodeLimits limits;
    limits.keepWidth = 1280;
    limits.keepHeight = 1024;
    const jpeg::DecodedImage part = jpeg::DecodeJpeg(file, limits);
    const long grown = statusKb("VmHWM") - resident;
    ASSERT_EQ(part.width, 1280);
    ASSERT_EQ(part.height, 1024);
    if (resident < 0 || !clear)
        GTEST_SKIP() << "no peak resident size to measure";
    // The kept rows' coefficients are 8 MB and the output 1.3 MB; the whole frame's are 32 MB.
    EXPECT_LT(grown, 16 * 1024) << grown << " kB";
}

TEST(JpegDecoderKeep, TheBitmapLoaderDecodesOnlyItsCropSize) {
    TempDir dir("jpegkeepbitmap");
    if (encoded(dir, "-progressive", 203, 141).empty())
        GTEST_SKIP() << "cjpeg is not available";
    const Surface whole = LoadJpegBitmap(dir / "src.jpg");
    ASSERT_EQ(whole.width(), 203);
    const Surface part = LoadJpegBitmap(dir / "src.jpg", 120, 100);
    ASSERT_EQ(part.width(), 120);
    ASSERT_EQ(part.height(), 100);
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x)
            ASSERT_EQ(part.pixel(x, y), whole.pixel(x, y)) << x << ", " << y;
}

} // namespace
} // namespace pixelon
