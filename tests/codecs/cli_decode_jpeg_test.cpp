// pixelon decode of JPEG files, which writes the decoder's rows straight into the PPM: the same
// pixels the import's bitmap has, and the same care with the output file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "codec_test_util.h"
#include "codecs/ImportLimits.h"
#include "codecs/JpegDecoder.h"
#include "tests/support/PixelonCommandTest.h"

namespace pixelon {
namespace {

class DecodeJpegCli : public test::PixelonCommandTest {
protected:
    void SetUp() override {
        PixelonCommandTest::SetUp();
        if (!IsSkipped() && !test::haveTool("cjpeg"))
            GTEST_SKIP() << "cjpeg not installed";
    }
    // cjpeg's file of a test pattern.
    std::vector<std::uint8_t> makeJpeg(const std::string& name, int w, int h,
                                       const std::string& options) {
        test::writePpm(dir / "src.ppm", test::testPattern(w, h, 50, 9));
        EXPECT_TRUE(test::run("cjpeg " + options + " " + p("src.ppm") + " > " + p(name)));
        return test::readBytes(dir / name);
    }
    // The PPM the command should write: the decoder's image as the import takes it, grey
    // widened to red, green and blue.
    static std::vector<std::uint8_t> expectedPpm(std::span<const std::uint8_t> file) {
        jpeg::DecodeLimits limits;
        limits.cropWidth = ImportCropWidth;
        limits.cropHeight = ImportCropHeight;
        const jpeg::DecodedImage img = jpeg::DecodeJpeg(file, limits);
        const std::string header =
            "P6\n" + std::to_string(img.width) + " " + std::to_string(img.height) + "\n255\n";
        std::vector<std::uint8_t> ppm(header.begin(), header.end());
        for (std::uint8_t v : img.samples)
            ppm.insert(ppm.end(), img.channels == 1 ? 3 : 1, v);
        return ppm;
    }
};

TEST_F(DecodeJpegCli, WritesTheDecodedPixelsForEveryLayout) {
    // Wide enough that the rows leave through several writes; odd sizes leave partial MCUs.
    const struct {
        int w, h;
        const char* options;
    } cases[] = {{701, 203, "-sample 2x2"}, {701, 203, "-sample 2x1"},
                 {33, 21, "-sample 1x1"},   {33, 21, "-grayscale"},
                 {97, 61, "-progressive"},  {97, 61, "-restart 1 -sample 2x2"},
                 {1, 1, "-sample 2x2"}};
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> file = makeJpeg("in.jpg", c.w, c.h, c.options);
        std::filesystem::remove(dir / "out.ppm");
        ASSERT_EQ(pixelon("decode " + p("in.jpg") + " -o " + p("out.ppm")), 0) << err();
        EXPECT_TRUE(test::readBytes(dir / "out.ppm") == expectedPpm(file)) << c.options;
    }
}

TEST_F(DecodeJpegCli, ReplacesAnExistingFileAndKeepsItOnFailure) {
    const std::vector<std::uint8_t> file = makeJpeg("in.jpeg", 40, 30, "");
    test::writeBytes(dir / "out.ppm", {'o', 'l', 'd'});
    ::chmod(p("out.ppm").c_str(), 0640);
    ASSERT_EQ(pixelon("decode " + p("in.jpeg") + " -o " + p("out.ppm")), 0) << err();
    EXPECT_TRUE(test::readBytes(dir / "out.ppm") == expectedPpm(file));
    struct stat info {};
    ASSERT_EQ(::stat(p("out.ppm").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // A file with a JPEG start that the decoder refuses: the import's message, the old file
    // kept, and no new file left behind.
    std::vector<std::uint8_t> broken(file.begin(), file.begin() + 20);
    test::writeBytes(dir / "broken.jpg", broken);
    test::writeBytes(dir / "out.ppm", {'o', 'l', 'd'});
    EXPECT_EQ(pixelon("decode " + p("broken.jpg") + " -o " + p("out.ppm")), 1);
    EXPECT_EQ(err(), "pixelon decode: " + p("broken.jpg") +
                         ": The file is not a JPEG picture this program can read.\n");
    EXPECT_EQ(test::readBytes(dir / "out.ppm"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(pixelon("decode " + p("broken.jpg") + " -o " + p("new.ppm")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.ppm"));
    // An output folder that does not exist.
    EXPECT_EQ(pixelon("decode " + p("in.jpeg") + " -o " + p("none/out.ppm")), 1);
    EXPECT_NE(err().find("Unable to save file"), std::string::npos) << err();
}

TEST_F(DecodeJpegCli, WritesIntoAPipe) {
    // /dev/stdout names the pipe to cat: it is written into, not replaced by a file.
    const std::vector<std::uint8_t> file = makeJpeg("in.jpg", 45, 37, "-sample 2x2");
    const std::string line = "timeout 60 " + program + " decode " + p("in.jpg") +
                             " -o /dev/stdout 2>" + p("err.txt") + " | cat > " + p("got.ppm");
    ASSERT_EQ(std::system(line.c_str()), 0) << err();
    EXPECT_TRUE(test::readBytes(dir / "got.ppm") == expectedPpm(file)) << err();
}

TEST_F(DecodeJpegCli, TruncatedFilesAndBitmapsUnderJpegNames) {
    const std::vector<std::uint8_t> file = makeJpeg("in.jpg", 64, 64, "");
    // Cut inside the entropy-coded data: the rows that were decoded and flat ones below.
    const std::vector<std::uint8_t> cut(file.begin(), file.end() - 300);
    test::writeBytes(dir / "cut.jpg", cut);
    ASSERT_EQ(pixelon("decode " + p("cut.jpg") + " -o " + p("cut.ppm")), 0) << err();
    EXPECT_TRUE(test::readBytes(dir / "cut.ppm") == expectedPpm(cut));

    // A bitmap named .jpg is read as a bitmap, as the import reads it.
    test::writePpm(dir / "small.ppm", test::testPattern(5, 3, 20, 4));
    ASSERT_TRUE(test::run("ppmtobmp " + p("small.ppm") + " > " + p("bitmap.jpg") + " 2>/dev/null"));
    ASSERT_EQ(pixelon("decode " + p("bitmap.jpg") + " -o " + p("bmp.ppm")), 0) << err();
    EXPECT_EQ(test::readBytes(dir / "bmp.ppm"), test::readBytes(dir / "small.ppm"));
}

} // namespace
} // namespace pixelon
