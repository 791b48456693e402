#include <gtest/gtest.h>

#include "codecs/JpegDecoder.h"
#include "tests/codecs/jpeg_support.h"

namespace pixelon {
namespace {

using testing::photoLike;
using testing::psnr;
using testing::readBytes;
using testing::readPnm;
using testing::run;
using testing::TempDir;

class EncodeCommand : public ::testing::Test {
protected:
    void SetUp() override {
        const char* bin = std::getenv("PIXELON_BINARY_DIR");
        if (!bin)
            GTEST_SKIP() << "PIXELON_BINARY_DIR is not set";
        m_pixelon = std::filesystem::path(bin) / "cli" / "pixelon";
        if (!std::filesystem::exists(m_pixelon))
            GTEST_SKIP() << "pixelon is not built";
        testing::writePnm(m_dir / "in.ppm", photoLike(45, 30));
    }
    bool encode(const std::string& arguments) {
        return run(m_pixelon.string() + " encode " + arguments);
    }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    TempDir m_dir{"jpegcli"};
    std::filesystem::path m_pixelon;
};

TEST_F(EncodeCommand, WritesJpegAtEachQuality) {
    std::size_t last = SIZE_MAX;
    for (const char* quality : {"high", "medium", "low"}) {
        ASSERT_TRUE(encode(path("in.ppm") + " -o " + path("out.jpg") + " --quality " + quality));
        std::vector<std::uint8_t> file = readBytes(m_dir / "out.jpg");
        EXPECT_LT(file.size(), last) << quality;
        last = file.size();
        jpeg::DecodedImage img = jpeg::DecodeJpeg(file);
        EXPECT_EQ(img.width, 45);
        EXPECT_EQ(img.height, 30);
        // Chroma sub-sampling of the noisy test image bounds the error even at high quality.
        EXPECT_GT(psnr(img.samples, photoLike(45, 30).samples),
                  std::string(quality) == "high" ? 24.0 : 20.0)
            << quality;
    }
    ASSERT_TRUE(encode(path("in.ppm") + " -o " + path("default.JPEG")));
    std::vector<std::uint8_t> high = readBytes(m_dir / "default.JPEG");
    ASSERT_TRUE(encode(path("in.ppm") + " -o " + path("high.jpg") + " --quality high"));
    EXPECT_EQ(high, readBytes(m_dir / "high.jpg"));
}

TEST_F(EncodeCommand, WritesColourCubeGif) {
    ASSERT_TRUE(encode(path("in.ppm") + " -o " + path("out.gif")));
    std::vector<std::uint8_t> file = readBytes(m_dir / "out.gif");
    ASSERT_GT(file.size(), 13u + 768u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
    EXPECT_EQ(file[6], 45);
    EXPECT_EQ(file[8], 30);
    EXPECT_EQ(file[10], 0xF7);
    if (!run("giftopnm " + path("out.gif") + " > " + path("back.ppm")))
        GTEST_SKIP() << "giftopnm is not available";
    testing::RawImage back = readPnm(m_dir / "back.ppm");
    ASSERT_EQ(back.width, 45);
    // The cube keeps three bits of red and green and two of blue.
    EXPECT_GT(psnr(back.samples, photoLike(45, 30).samples), 18.0);
}

TEST_F(EncodeCommand, BadArgumentsFailAndKeepTheOldFile) {
    testing::writeBytes(m_dir / "keep.jpg", {1, 2, 3});
    EXPECT_FALSE(encode(path("in.ppm") + " -o " + path("keep.jpg") + " --quality best"));
    EXPECT_FALSE(encode(path("missing.ppm") + " -o " + path("keep.jpg")));
    EXPECT_FALSE(encode(path("in.ppm") + " -o " + path("out.png")));
    EXPECT_FALSE(encode(path("in.ppm") + " -o " + path("out.gif") + " --quality low"));
    EXPECT_FALSE(encode(path("in.ppm")));
    testing::writeBytes(m_dir / "bad.ppm", {'P', '6', '\n', '9', '9', '9', '9', '9', '9'});
    EXPECT_FALSE(encode(path("bad.ppm") + " -o " + path("keep.jpg")));
    EXPECT_EQ(readBytes(m_dir / "keep.jpg"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(encode("--help >/dev/null"));
}

} // namespace
} // namespace pixelon
