#include <gtest/gtest.h>

#include <vector>

#include "codecs/GifWriter.h"
#include "codecs/ImportLimits.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"

namespace pixelon {
namespace {

// A file too large to read whole becomes a picture of its top-left part, in batch mode.
TEST(ImportCrop, HugeGifAndBitmapBecomeTheirTopLeftPart) {
    test::ScratchDir dir;
    GifFile gif;
    gif.flags = 0x80; // a global table of two colours
    gif.globalTable = GifColourTable{{rgb(0, 0, 0), rgb(255, 255, 255)}};
    gif.screenWidth = 20000;
    gif.screenHeight = 2;
    GifImage image;
    image.width = 20000;
    image.height = 2;
    image.bitsPerPixel = 2;
    image.pixels.assign(image.BufferSize(), 0x44); // pixels 0, 1, 0, 1, ...
    gif.images.push_back(image);
    ASSERT_TRUE(WriteGifFile(gif, dir / "wide.gif"));

    // A bitmap of 300 x 17000, every pixel white: only its top 1024 rows come in.
    std::vector<std::uint8_t> bmp = {'B', 'M'};
    const auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp.push_back(std::uint8_t(v >> (8 * i)));
    };
    const std::uint32_t stride = 900, height = 17000;
    put32(54 + stride * height);
    put32(0);
    put32(54);
    put32(40);
    put32(300);
    put32(height);
    put32(1 | 24 << 16);
    for (int i = 0; i < 6; ++i)
        put32(0);
    bmp.resize(54 + stride * height, 0xFF);
    test::writeBytes(dir / "tall.bmp", bmp);

    CPortfolio portfolio;
    RecordingFeedback feedback;
    const std::vector<std::filesystem::path> files = {dir / "wide.gif", dir / "tall.bmp"};
    ImportReport report = ImportPictureFiles(portfolio, files, feedback);
    ASSERT_EQ(report.picturesAdded, 2)
        << (feedback.messages().empty() ? "" : feedback.messages()[0].text);
    const CPicture* wide = portfolio.FindPicture(1);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->m_nWidth, ImportCropWidth);
    EXPECT_EQ(wide->m_nHeight, 2);
    const CPicture* tall = portfolio.FindPicture(2);
    ASSERT_NE(tall, nullptr);
    EXPECT_EQ(tall->m_nWidth, 300);
    EXPECT_EQ(tall->m_nHeight, ImportCropHeight);
}

} // namespace
} // namespace pixelon
