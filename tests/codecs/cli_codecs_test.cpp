#include <gtest/gtest.h>

#include "codec_test_util.h"
#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"
#include "codecs/RasterFile.h"
#include "core/Picture.h"
#include "tests/support/PixelonCommandTest.h"

namespace pixelon {
namespace {

using test::ScratchDir;

// Runs the built pixelon; the exit status, with standard output and error in files.
class PixelonCli : public test::PixelonCommandTest {
protected:
    std::string text(const char* name) {
        auto b = test::readBytes(dir / name);
        return {b.begin(), b.end()};
    }
};

TEST_F(PixelonCli, DecodeListAndFrames) {
    GifFile gif;
    gif.globalTable = CubeColourTable();
    for (int i = 0; i < 2; ++i) {
        GifImage image;
        image.left = std::uint16_t(i * 10);
        image.top = std::uint16_t(i * 5);
        image.width = 6;
        image.height = std::uint16_t(4 + i);
        image.flags = i ? 0x40 : 0;
        image.pixels.assign(image.PixelCount(), std::uint8_t(i ? 0x1C : 0xE0));
        gif.images.push_back(image);
    }
    ASSERT_TRUE(WriteGifFile(gif, dir / "two.gif"));
    ASSERT_EQ(pixelon("decode --list " + p("two.gif")), 0);
    EXPECT_EQ(text("out.txt"), "0 0 0 6 4 8 plain\n1 10 5 6 5 8 interlaced\n");
    ASSERT_EQ(pixelon("decode " + p("two.gif") + " --frame 1 -o " + p("f1.ppm")), 0);
    auto frame = test::readPpm(dir / "f1.ppm");
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->height(), 5);
    EXPECT_EQ(frame->pixel(0, 0), cubePalette()[0x1C]);
    EXPECT_EQ(pixelon("decode " + p("two.gif") + " --frame 2 -o " + p("f2.ppm")), 1);
    EXPECT_NE(text("err.txt").find("no image 2"), std::string::npos);
    EXPECT_EQ(pixelon("decode --help"), 0);
    EXPECT_NE(text("out.txt").find("Usage: pixelon decode"), std::string::npos);

    test::writeBytes(dir / "bad.wbmp", {0, 1, 2, 3});
    EXPECT_EQ(pixelon("decode " + p("bad.wbmp") + " -o " + p("x.ppm")), 1);
    EXPECT_EQ(text("err.txt"), "pixelon decode: " + p("bad.wbmp") + ": Unknown file type\n");
    EXPECT_EQ(pixelon("decode " + p("notes.txt") + " -o " + p("x.ppm")), 1);
}

TEST_F(PixelonCli, PngInAndOutAsPeersSeeIt) {
    if (!test::haveTool("convert") || !test::haveTool("pngcheck"))
        GTEST_SKIP() << "ImageMagick or pngcheck missing";
    // A paletted PNG with a transparent corner, written by ImageMagick under a name that
    // does not say PNG: colours RGB565 holds exactly, so the round trip is exact.
    ASSERT_TRUE(test::run("convert -size 12x7 xc:red -fill blue -draw \"rectangle 6,0 11,6\" "
                          "-fill none -draw \"color 0,0 point\" -draw \"color 11,6 point\" "
                          "PNG8:" +
                          p("in.pic")));
    ASSERT_EQ(pixelon("import " + p("p.pfo") + " " + p("in.pic")), 0) << text("err.txt");
    ASSERT_EQ(pixelon("info --json " + p("p.pfo")), 0) << text("err.txt");
    EXPECT_NE(text("out.txt").find("\"masked\":true"), std::string::npos) << text("out.txt");
    ASSERT_EQ(pixelon("export " + p("p.pfo") + " --id 1 --format png -o " + p("out.png")), 0)
        << text("err.txt");
    EXPECT_TRUE(test::run("pngcheck -q " + p("out.png")));
    EXPECT_TRUE(test::run("compare -metric AE " + p("in.pic") + " " + p("out.png") + " null:"));
    ASSERT_EQ(pixelon("decode " + p("out.png") + " -o " + p("out.ppm")), 0) << text("err.txt");
    auto ppm = test::readPpm(dir / "out.ppm");
    ASSERT_TRUE(ppm);
    EXPECT_EQ(ppm->pixel(11, 5), rgb(0, 0, 255));
    ASSERT_EQ(pixelon("sheet " + p("p.pfo") + " -o " + p("sheet.png")), 0) << text("err.txt");
    ASSERT_EQ(pixelon("sheet " + p("p.pfo") + " -o " + p("sheet.gif")), 0) << text("err.txt");
    EXPECT_TRUE(test::run("pngcheck -q " + p("sheet.png")));
    EXPECT_TRUE(
        test::run("compare -metric AE " + p("sheet.gif") + " " + p("sheet.png") + " null:"));
}

TEST_F(PixelonCli, ImportExportAndCsource) {
    CPicture picture;
    picture.Create(20, 12, 1);
    picture.m_nDepth = 16;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            picture.SetPixel(x, y, x < 10 ? 0 : 0xFFFF);
    ASSERT_TRUE(WritePictureWbmp(picture, dir / "half.wbmp"));
    CurrentMap = &DirectMap;
    test::writeBytes(dir / "bad.bmp", {'B', 'M', 1});

    EXPECT_EQ(pixelon("import " + p("new.pfo") + " " + p("bad.bmp")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.pfo"));
    ASSERT_EQ(pixelon("import " + p("new.pfo") + " " + p("half.wbmp")), 0) << text("err.txt");
    ASSERT_TRUE(std::filesystem::exists(dir / "new.pfo"));
    EXPECT_NE(text("out.txt").find("1 pictures and 0 animations added"), std::string::npos);
    // A second import adds the next ID; a bad file is reported and the rest still saved.
    EXPECT_EQ(pixelon("import " + p("new.pfo") + " " + p("half.wbmp") + " " + p("bad.bmp") +
                      " -o " + p("two.pfo")),
              1);
    EXPECT_NE(text("err.txt").find("Unknown file type"), std::string::npos);
    EXPECT_NE(text("out.txt").find("2 pictures in"), std::string::npos);

    ASSERT_EQ(pixelon("export " + p("two.pfo") + " --id 2 --format gif -o " + p("e.gif") +
                      " --phone-type 1"),
              0)
        << text("err.txt");
    GifFile gif;
    ASSERT_TRUE(ReadGifFile(gif, dir / "e.gif"));
    EXPECT_EQ(gif.screenWidth, 101);
    EXPECT_EQ(gif.screenHeight, 80);
    Surface s = RenderGifImage(gif, 0);
    EXPECT_EQ(s.pixel(0, 0), 0u);
    EXPECT_EQ(s.pixel(15, 0), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(50, 50), rgb(255, 255, 255)); // the white preview around the picture
    ASSERT_EQ(pixelon("export " + p("two.pfo") + " --id 1 --format wbmp -o " + p("e.wbmp") +
                      " --phone-type 12"),
              0);
    EXPECT_EQ(LoadRasterBitmap(dir / "e.wbmp").width(), 20);
    EXPECT_EQ(pixelon("export " + p("two.pfo") + " --id 9 --format gif -o " + p("n.gif")), 1);
    EXPECT_EQ(pixelon("export " + p("two.pfo") + " --id 1 --format tiff -o " + p("n.gif")), 1);

    ASSERT_EQ(pixelon("csource " + p("two.pfo") + " --id 1 --name Logo -o " + p("logo.c")), 0)
        << text("err.txt");
    const std::string c = text("logo.c");
    EXPECT_EQ(c.rfind("//\r\n//\t\tIMAGE SOURCE FILE - ", 0), 0u);
    EXPECT_NE(c.find("const Bitmap_t Logo_Bitmap = \r\n{\r\n"), std::string::npos);
    EXPECT_EQ(c.find("\r\r"), std::string::npos);
    EXPECT_EQ(pixelon("csource " + p("two.pfo") + " --id 1 --name 9x -o " + p("logo.c")), 1);
}

TEST_F(PixelonCli, JpegThroughTheImagingLibrary) {
    if (!test::haveTool("cjpeg") || !test::haveTool("djpeg"))
        GTEST_SKIP() << "libjpeg-turbo tools not installed";
    test::writePpm(dir / "in.ppm", test::testPattern(33, 21, 50, 9));
    ASSERT_TRUE(test::run("cjpeg -quality 95 " + p("in.ppm") + " > " + p("photo.JPG")));
    ASSERT_EQ(pixelon("decode " + p("photo.JPG") + " -o " + p("ours.ppm")), 0) << text("err.txt");
    auto ours = test::readPpm(dir / "ours.ppm");
    ASSERT_TRUE(ours);
    EXPECT_EQ(ours->width(), 33);
    EXPECT_EQ(ours->height(), 21);
    ASSERT_EQ(pixelon("import " + p("j.pfo") + " " + p("photo.JPG")), 0) << text("err.txt");
    ASSERT_EQ(pixelon("export " + p("j.pfo") + " --id 1 --format jpg -o " + p("out.jpg") +
                      " --phone-type 3"),
              0)
        << text("err.txt");
    ASSERT_TRUE(test::run("djpeg " + p("out.jpg") + " > " + p("back.ppm")));
    auto back = test::readPpm(dir / "back.ppm");
    ASSERT_TRUE(back);
    // The default application, Kinetto, has a preview of 128 x 128 on type 3.
    EXPECT_EQ(back->width(), 128);
    EXPECT_EQ(back->height(), 128);
}

} // namespace
} // namespace pixelon
