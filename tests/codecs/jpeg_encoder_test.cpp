#include <gtest/gtest.h>

#include "codecs/ImageObject.h"
#include "codecs/JpegDecoder.h"
#include "codecs/JpegEncoder.h"
#include "codecs/JpegTables.h"
#include "tests/codecs/jpeg_support.h"

namespace pixelon {
namespace {

using testing::photoLike;
using testing::psnr;
using testing::RawImage;
using testing::readPnm;
using testing::run;
using testing::TempDir;

CImageObject imageOf(const RawImage& raw) {
    CImageObject image;
    image.Create(raw.width, raw.height, raw.channels == 1 ? LuminanceChannels : RgbChannels);
    const std::size_t rowBytes = std::size_t(raw.width) * std::size_t(raw.channels);
    for (int y = 0; y < raw.height; ++y)
        std::copy_n(raw.samples.begin() + std::ptrdiff_t(rowBytes * std::size_t(y)), rowBytes,
                    image.GetBuffer()->Row(y).begin());
    return image;
}

std::vector<std::uint8_t> encode(const RawImage& raw, std::uint16_t parameter, int restart = 0) {
    jpeg::EncodeOptions options;
    options.qualityParameter = parameter;
    options.restartInterval = restart;
    return jpeg::EncodeJpegToMemory(imageOf(raw), options);
}

// Offsets of every marker outside entropy-coded data would be hard to tell apart; the writer
// puts the headers first, so searching the part before the scan data is enough.
std::size_t find(const std::vector<std::uint8_t>& d, std::uint8_t code, std::size_t from = 0) {
    for (std::size_t i = from; i + 1 < d.size(); ++i)
        if (d[i] == 0xFF && d[i + 1] == code)
            return i;
    return d.size();
}

// The reference decoder reads what we write, and the quality order shows in the error.
TEST(JpegEncoder, ReferenceDecoderReadsEveryQuality) {
    TempDir dir("jpegenc");
    const RawImage source = photoLike(121, 77);
    double last = 100.0;
    std::size_t lastSize = SIZE_MAX;
    for (std::uint16_t parameter : {16, 256, 320}) {
        std::vector<std::uint8_t> file = encode(source, parameter);
        testing::writeBytes(dir / "out.jpg", file);
        if (!run("djpeg -outfile " + (dir / "out.ppm").string() + " " + (dir / "out.jpg").string()))
            GTEST_SKIP() << "djpeg is not available";
        RawImage back = readPnm(dir / "out.ppm");
        ASSERT_EQ(back.width, 121);
        ASSERT_EQ(back.height, 77);
        double quality = psnr(back.samples, source.samples);
        EXPECT_GT(quality, 24.0) << parameter;
        EXPECT_LT(quality, last) << parameter;
        EXPECT_LT(file.size(), lastSize) << parameter;
        last = quality;
        lastSize = file.size();
        // Our decoder agrees with the reference on our own files.
        ASSERT_TRUE(run("djpeg -nosmooth -outfile " + (dir / "box.ppm").string() + " " +
                        (dir / "out.jpg").string()));
        EXPECT_GE(psnr(jpeg::DecodeJpeg(file).samples, readPnm(dir / "box.ppm").samples), 40.0);
    }
}

TEST(JpegEncoder, GreyImagesAndLuminanceFidelity) {
    TempDir dir("jpegencgrey");
    const RawImage source = photoLike(67, 45, 1);
    std::vector<std::uint8_t> file = encode(source, 16);
    testing::writeBytes(dir / "g.jpg", file);
    if (!run("djpeg -outfile " + (dir / "g.pgm").string() + " " + (dir / "g.jpg").string()))
        GTEST_SKIP() << "djpeg is not available";
    RawImage back = readPnm(dir / "g.pgm");
    ASSERT_EQ(back.channels, 1);
    EXPECT_GT(psnr(back.samples, source.samples), 40.0);
    // One component, identifier 1, sampling 1 x 1, table 0.
    std::size_t sof = find(file, 0xC0);
    EXPECT_EQ(file[sof + 9], 1);
    EXPECT_EQ(file[sof + 10], 1);
    EXPECT_EQ(file[sof + 11], 0x11);
    EXPECT_EQ(file[sof + 12], 0);
}

TEST(JpegEncoder, HeadersCarryJfifTablesAndFrame) {
    RawImage onePixel{1, 1, 3, {200, 30, 90}};
    std::vector<std::uint8_t> file = encode(onePixel, 16);
    ASSERT_GT(file.size(), 20u);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xD8);
    // APP0 JFIF 1.02, dots per centimetre, 1000 x 1000, no thumbnail.
    const std::vector<std::uint8_t> app0 = {0xFF, 0xE0, 0, 16,   'J',  'F',  'I',  'F', 0,
                                            1,    2,    2, 0x03, 0xE8, 0x03, 0xE8, 0,   0};
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 2, file.begin() + 20), app0);

    // Quantisation: the standard tables divided by 16, at least 1, in zig-zag order.
    std::size_t dqt = find(file, 0xDB);
    ASSERT_LT(dqt + 4 + 130, file.size());
    for (int t = 0; t < 2; ++t) {
        EXPECT_EQ(file[dqt + 4 + std::size_t(t) * 65], t);
        const auto& standard = t == 0 ? jpeg::LuminanceQuant : jpeg::ChrominanceQuant;
        for (int k = 0; k < 64; ++k)
            EXPECT_EQ(file[dqt + 5 + std::size_t(t) * 65 + std::size_t(k)],
                      std::max(1, standard[jpeg::ZigZag[std::size_t(k)]] / 16));
    }

    // One pixel still makes a whole MCU: Y 2 x 2 with Cb and Cr 1 x 1.
    std::size_t sof = find(file, 0xC0);
    const std::vector<std::uint8_t> frame = {0xFF, 0xC0, 0, 17, 8,    0, 1, 0,    1, 3,
                                             1,    0x22, 0, 2,  0x11, 1, 3, 0x11, 1};
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + std::ptrdiff_t(sof),
                                        file.begin() + std::ptrdiff_t(sof + frame.size())),
              frame);
    // Without a restart interval there is no DRI and no restart marker.
    EXPECT_EQ(find(file, 0xDD), file.size());
    for (std::uint8_t rst = 0xD0; rst <= 0xD7; ++rst)
        EXPECT_EQ(find(file, rst), file.size());
    EXPECT_EQ(file[file.size() - 2], 0xFF);
    EXPECT_EQ(file[file.size() - 1], 0xD9);

    jpeg::DecodedImage back = jpeg::DecodeJpeg(file);
    ASSERT_EQ(back.samples.size(), 3u);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(back.samples[std::size_t(c)], onePixel.samples[std::size_t(c)], 3) << c;
}

TEST(JpegEncoder, QuantisationScalesWithTheParameter) {
    auto low = jpeg::ScaledQuantTable(jpeg::LuminanceQuant, 320);
    auto medium = jpeg::ScaledQuantTable(jpeg::LuminanceQuant, 256);
    auto high = jpeg::ScaledQuantTable(jpeg::ChrominanceQuant, 16);
    EXPECT_EQ(medium, jpeg::LuminanceQuant);
    EXPECT_EQ(low[0], 20);   // 16 * 1.25
    EXPECT_EQ(low[63], 123); // floor(99 * 1.25)
    EXPECT_EQ(high[0], 1);   // 17 / 16
    EXPECT_EQ(high[63], 6);  // floor(99 / 16)
    auto huge = jpeg::ScaledQuantTable(jpeg::ChrominanceQuant, 4000);
    EXPECT_EQ(huge[63], 255);
    auto tiny = jpeg::ScaledQuantTable(jpeg::LuminanceQuant, 1);
    EXPECT_EQ(tiny[0], 1);
}

TEST(JpegEncoder, RestartIntervalsAreWrittenAndRead) {
    TempDir dir("jpegrst");
    const RawImage source = photoLike(70, 50);
    std::vector<std::uint8_t> file = encode(source, 256, 2);
    std::size_t dri = find(file, 0xDD);
    ASSERT_LT(dri + 5, file.size());
    EXPECT_EQ(file[dri + 5], 2);
    // 5 x 4 MCUs in intervals of 2: nine markers, counting RST0..RST7 round.
    int markers = 0;
    for (std::size_t at = find(file, 0xDA); at < file.size(); ++at)
        if (file[at] == 0xFF && at + 1 < file.size() && file[at + 1] >= 0xD0 &&
            file[at + 1] <= 0xD7) {
            EXPECT_EQ(file[at + 1], 0xD0 + markers % 8);
            ++markers;
        }
    EXPECT_EQ(markers, 9);
    testing::writeBytes(dir / "r.jpg", file);
    if (!run("djpeg -nosmooth -outfile " + (dir / "r.ppm").string() + " " +
             (dir / "r.jpg").string()))
        GTEST_SKIP() << "djpeg is not available";
    RawImage ref = readPnm(dir / "r.ppm");
    EXPECT_GE(psnr(jpeg::DecodeJpeg(file).samples, ref.samples), 40.0);
    EXPECT_GE(psnr(ref.samples, jpeg::DecodeJpeg(encode(source, 256)).samples), 40.0);
}

TEST(JpegEncoder, ExtremeContentStaysValid) {
    TempDir dir("jpegextreme");
    // A checkerboard of black and white needs the largest coefficients the tables allow.
    RawImage board{64, 24, 3, {}};
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 64; ++x)
            for (int c = 0; c < 3; ++c)
                board.samples.push_back((x + y) % 2 ? 255 : 0);
    std::vector<std::uint8_t> file = encode(board, 16);
    testing::writeBytes(dir / "b.jpg", file);
    if (!run("djpeg -outfile " + (dir / "b.ppm").string() + " " + (dir / "b.jpg").string()))
        GTEST_SKIP() << "djpeg is not available";
    EXPECT_EQ(readPnm(dir / "b.ppm").width, 64);
    EXPECT_EQ(jpeg::DecodeJpeg(file).width, 64);
}

} // namespace
} // namespace pixelon
