#include <gtest/gtest.h>

#include "codec_test_util.h"
#include "codecs/Errors.h"
#include "codecs/FileType.h"
#include "codecs/RasterFile.h"
#include "core/Colours.h"
#include "core/Picture.h"

namespace pixelon {
namespace {

using test::ScratchDir;
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v);
    put16(b, v >> 16);
}

// A BMP with a 40-byte information header; `extra` (palette or masks) and rows follow at once.
Bytes bmp(int w, int h, int bits, int compression, const Bytes& extra, const Bytes& rows,
          std::uint32_t used = 0) {
    Bytes b = {'B', 'M'};
    put32(b, std::uint32_t(54 + extra.size() + rows.size()));
    put32(b, 0);
    put32(b, 999); // the offset field is not used
    put32(b, 40);
    put32(b, std::uint32_t(w));
    put32(b, std::uint32_t(h));
    put16(b, 1);
    put16(b, std::uint32_t(bits));
    put32(b, std::uint32_t(compression));
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, used);
    put32(b, 0);
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

std::string errorOf(const Bytes& bytes) {
    try {
        LoadRasterBitmap(bytes);
    } catch (const EFatalError& e) {
        return e.what();
    }
    return "";
}

TEST(FileTypeDecision, SearchesTheWholeLowerCasedPath) {
    EXPECT_EQ(DecidePictureFileType("photo.GIF.bmp"), PictureFileType::Gif);
    EXPECT_EQ(DecidePictureFileType("/pics/photo.gif.txt"), PictureFileType::Gif);
    EXPECT_EQ(DecidePictureFileType("LOGO.ID"), PictureFileType::Gif);
    EXPECT_EQ(DecidePictureFileType("a.JPEG"), PictureFileType::Jpeg);
    EXPECT_EQ(DecidePictureFileType("a.jpg.bmp"), PictureFileType::Jpeg);
    EXPECT_EQ(DecidePictureFileType("x.Wbm"), PictureFileType::Raster);
    EXPECT_EQ(DecidePictureFileType("x.bmp"), PictureFileType::Raster);
    EXPECT_EQ(DecidePictureFileType("notes.txt"), PictureFileType::None);
}

TEST(Wbmp, MultiByteIntegers) {
    auto enc = [](std::uint32_t v) {
        Bytes b;
        WriteMultiByte(b, v);
        return b;
    };
    EXPECT_EQ(enc(100), (Bytes{0x80, 0x64}));
    EXPECT_EQ(enc(200), (Bytes{0x80, 0x81, 0x48}));
    EXPECT_EQ(enc(0), (Bytes{0x80, 0x00}));
    // A zero group below a set one must not end the integer early.
    EXPECT_EQ(enc(16384), (Bytes{0x80, 0x81, 0x80, 0x00}));
    // The reader takes both the padded and the minimal form.
    Bytes minimal = {0,    0,    0x81, 0x48, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    Surface s = LoadRasterBitmap(minimal);
    EXPECT_EQ(s.width(), 200);
    EXPECT_EQ(s.height(), 3);
}

TEST(Wbmp, WritesHeaderRowsAndLightBits) {
    CPicture p;
    p.Create(100, 80, 1);
    p.m_nDepth = 16;
    Bytes b = EncodePictureWbmp(p);
    ASSERT_EQ(b.size(), 6u + 80 * 13);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), (Bytes{0, 0, 0x80, 0x64, 0x80, 0x50}));

    // Find RGB565 values whose colour has luminance exactly 150 and 151.
    int at150 = -1, at151 = -1;
    for (int v = 0; v < 65536 && (at150 < 0 || at151 < 0); ++v) {
        const int g = grey(fromRgb565(std::uint32_t(v)));
        if (g == 150 && at150 < 0)
            at150 = v;
        if (g == 151 && at151 < 0)
            at151 = v;
    }
    CPicture row;
    row.Create(10, 3, 1);
    row.m_nDepth = 16;
    row.SetPixel(0, 0, 0xFFFF);
    row.SetPixel(1, 0, std::uint16_t(at150));
    row.SetPixel(2, 0, std::uint16_t(at151));
    row.SetPixel(9, 2, 0xFFFF);
    b = EncodePictureWbmp(row);
    ASSERT_EQ(b.size(), 6u + 3 * 2); // rows of 2 bytes, not padded
    EXPECT_EQ(b[6], 0b10100000);
    EXPECT_EQ(b[11], 0b01000000);
    Surface s = LoadRasterBitmap(b);
    EXPECT_EQ(s.pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(1, 0), 0u);
    EXPECT_EQ(s.pixel(9, 2), rgb(255, 255, 255));

    CPicture levels;
    levels.Create(4, 1, 1);
    for (int i = 0; i < 4; ++i)
        levels.SetPixel(i, 0, std::uint16_t(i));
    EXPECT_EQ(EncodePictureWbmp(levels)[6], 0b00110000);
}

TEST(Wbmp, WriteSetsMapAndKeepsOldFileOnFailure) {
    ScratchDir dir;
    CPicture p;
    p.Create(3, 3, 1);
    ASSERT_TRUE(WritePictureWbmp(p, dir / "a.wbmp"));
    EXPECT_EQ(CurrentMap, &GreyMap);
    p.m_nDepth = 16;
    ASSERT_TRUE(WritePictureWbmp(p, dir / "a.wbmp"));
    EXPECT_EQ(CurrentMap, &DirectMap);
    std::string failure;
    EXPECT_FALSE(WritePictureWbmp(p, dir / "missing" / "a.wbmp", &failure));
    EXPECT_EQ(failure.rfind("Unable to save file.\n", 0), 0u);
    EXPECT_GT(failure.size(), 21u);
}

TEST(Bmp, MessagesForBadFiles) {
    EXPECT_EQ(errorOf({0x00, 0x01, 4, 4, 0}), "Unknown file type");
    EXPECT_EQ(errorOf({}), "Unknown file type");
    EXPECT_EQ(errorOf({'B', 'M', 0}), "Unknown file type");
    EXPECT_EQ(errorOf(bmp(2, 2, 32, 0, {}, Bytes(16, 0))),
              "Unsupported colour depth.\nTry resaving this file with Microsoft Paint program to "
              "BMP (256 colors)");
    EXPECT_EQ(errorOf(bmp(20000, 2, 24, 0, {}, {})), "Unsupported picture size");
    EXPECT_EQ(errorOf({0, 0, 0x81, 0x80, 0x81, 0x01, 0x01}), "Unsupported picture size");
    EXPECT_EQ(errorOf(bmp(2, 2, 8, 0, {}, {}, 0x40000000)),
              "Unknown file type"); // palette beyond the file
    try {
        LoadRasterBitmap(std::filesystem::path("/nonexistent/x.bmp"));
        ADD_FAILURE();
    } catch (const EFatalError& e) {
        EXPECT_STREQ(e.what(), "Error opening file");
    }
    RasterFile compressed = RasterFile::CreateBmp(2, 2, {});
    compressed.Info().compression = 1;
    compressed.WriteHeader();
    compressed.BeginRow();
    EXPECT_THROW(compressed.WritePixel(1), EFatalError);
}

TEST(Bmp, PaletteCountRowPaddingAndTruncation) {
    // 16 colours used at 8 bits: the rows follow a 16-entry palette.
    Bytes palette;
    for (int i = 0; i < 16; ++i)
        palette.insert(palette.end(),
                       {std::uint8_t(i), std::uint8_t(i * 2), std::uint8_t(i * 3), 0});
    Bytes rows = {
        1,  2,  3,  4,  5,  6,  7, 8, 9, 10, 0, 0, // bottom row of 10 pixels, padded to 12
        15, 14, 13, 12, 11, 10, 9, 8, 7, 6,  0, 0};
    Surface s = LoadRasterBitmap(bmp(10, 2, 8, 0, palette, rows, 16));
    EXPECT_EQ(s.pixel(0, 1), rgb(3, 2, 1));
    EXPECT_EQ(s.pixel(9, 1), rgb(30, 20, 10));
    EXPECT_EQ(s.pixel(0, 0), rgb(45, 30, 15));
    // Cut in the top row: the rest reads as index 0 instead of past the end.
    Bytes cut = bmp(10, 2, 8, 0, palette, Bytes(rows.begin(), rows.begin() + 14), 16);
    Surface t = LoadRasterBitmap(cut);
    EXPECT_EQ(t.pixel(1, 0), rgb(42, 28, 14));
    EXPECT_EQ(t.pixel(5, 0), rgb(0, 0, 0));

    std::vector<Colour> colours(256, 0);
    colours[5] = rgb(15, 10, 5);
    const Bytes out = EncodeBmp8(10, 3, colours, Bytes(30, 5));
    EXPECT_EQ(out.size(), 14u + 40 + 1024 + 3 * 12);
    EXPECT_EQ(out[10], 0x36);
    EXPECT_EQ(out[11], 0x04); // rows at 1078
    EXPECT_EQ(LoadRasterBitmap(out).pixel(9, 2), rgb(15, 10, 5));
}

TEST(Bmp, SixteenBitFormatsAgree) {
    // The same colours as 5-6-5 with masks and as 5-5-5 without.
    const Colour colours[] = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(8, 130, 250), rgb(255, 255, 255)};
    Bytes masks;
    put32(masks, 0xF800);
    put32(masks, 0x07E0);
    put32(masks, 0x001F);
    Bytes rows565, rows555;
    for (Colour c : colours) {
        put16(rows565,
              std::uint32_t((redOf(c) >> 3) << 11 | (greenOf(c) >> 2) << 5 | blueOf(c) >> 3));
        put16(rows555,
              std::uint32_t((redOf(c) >> 3) << 10 | (greenOf(c) >> 3) << 5 | blueOf(c) >> 3));
    }
    Surface a = LoadRasterBitmap(bmp(4, 1, 16, 3, masks, rows565));
    Surface b = LoadRasterBitmap(bmp(4, 1, 16, 0, {}, rows555));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(a.pixel(x, 0) & 0xF8F8F8, b.pixel(x, 0)) << x;
        EXPECT_EQ(a.pixel(x, 0), colours[x] & (x == 2 ? 0xF8FCF8 : 0xFFFFFFFF) & 0xF8FCF8) << x;
    }
}

TEST(Bmp, HugeFilesGiveTheirTopLeftPartWhenCropped) {
    // 16400 x 3 at 24 bits, bottom-up: each pixel's blue byte tells its column, green its row.
    const int w = 16400, h = 3;
    Bytes rows;
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        const int y = h - 1 - fileRow;
        for (int x = 0; x < w; ++x) {
            rows.push_back(std::uint8_t(x % 251));
            rows.push_back(std::uint8_t(y * 40));
            rows.push_back(7);
        }
        rows.resize(rows.size() + (4 - (w * 3) % 4) % 4, 0);
    }
    const Bytes file = bmp(w, h, 24, 0, {}, rows);
    EXPECT_NE(errorOf(file), ""); // refused without a crop
    const Surface part = LoadRasterBitmap(file, 1280, 2);
    ASSERT_EQ(part.width(), 1280);
    ASSERT_EQ(part.height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x : {0, 250, 251, 1279})
            EXPECT_EQ(part.pixel(x, y), rgb(7, y * 40, x % 251)) << x << "," << y;
    // A run-length file cannot be cut row by row and is refused even with a crop.
    EXPECT_THROW(LoadRasterBitmap(bmp(w, h, 8, 1, Bytes(1024, 0), {0, 1}), 1280, 2), EFatalError);
    // A WBMP (top-down, one bit a pixel) taller than the limit: its top rows.
    Bytes wbmp = {0, 0, 0x81, 0x00, 0x81, 0x80, 0x10}; // 128 x 16400
    for (int y = 0; y < 16400; ++y)
        for (int b = 0; b < 16; ++b)
            wbmp.push_back(y % 2 ? 0xFF : 0x0F);
    const Surface top = LoadRasterBitmap(wbmp, 1280, 1024);
    ASSERT_EQ(top.width(), 128);
    ASSERT_EQ(top.height(), 1024);
    EXPECT_EQ(top.pixel(0, 0), rgb(0, 0, 0));
    EXPECT_EQ(top.pixel(7, 0), rgb(255, 255, 255));
    EXPECT_EQ(top.pixel(0, 1023), rgb(255, 255, 255));
}

TEST(Bmp, RunLengthEncodedRows) {
    Bytes palette;
    for (int i = 0; i < 16; ++i)
        palette.insert(palette.end(), {std::uint8_t(i * 10), 0, 0, 0});
    // RLE8: a run of 3 of index 2, an absolute run of 3, end of line; then a delta and end.
    Bytes rle8 = {3, 2, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 2, 0, 1, 7, 0, 1};
    Surface s = LoadRasterBitmap(bmp(6, 2, 8, 1, palette, rle8, 16));
    EXPECT_EQ(s.pixel(0, 1), rgb(0, 0, 20));
    EXPECT_EQ(s.pixel(5, 1), rgb(0, 0, 60));
    EXPECT_EQ(s.pixel(2, 0), rgb(0, 0, 70));
    // RLE4: a run alternating indices 1 and 2, then an absolute run of 3 nibbles.
    Bytes rle4 = {4, 0x12, 0, 3, 0x34, 0x50, 0, 1};
    Surface t = LoadRasterBitmap(bmp(7, 1, 4, 2, palette, rle4, 16));
    EXPECT_EQ(t.pixel(0, 0), rgb(0, 0, 10));
    EXPECT_EQ(t.pixel(3, 0), rgb(0, 0, 20));
    EXPECT_EQ(t.pixel(6, 0), rgb(0, 0, 50));
    // A stream that ends without an end code stops at the data's end.
    EXPECT_NO_THROW(LoadRasterBitmap(bmp(6, 2, 8, 1, palette, {200, 1}, 16)));
}

class RasterInterop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::haveTool("convert") || !test::haveTool("ppmtobmp") ||
            !test::haveTool("bmptoppm"))
            GTEST_SKIP() << "image tools not installed";
    }
    std::string p(const char* name) const { return (dir / name).string(); }
    void expectSame(const char* file, const std::string& toPpm, Colour keep = 0xFFFFFF) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(test::run(toPpm + " > " + p("tool.ppm")));
        auto theirs = test::readPpm(dir / "tool.ppm");
        ASSERT_TRUE(theirs);
        Surface ours = LoadRasterBitmap(dir / file);
        for (Colour& c : theirs->pixels())
            c &= keep;
        EXPECT_EQ(ours, *theirs);
    }
    ScratchDir dir;
};

TEST_F(RasterInterop, NetpbmAndImageMagickBmps) {
    test::writePpm(dir / "two.ppm", test::testPattern(37, 23, 2, 1));
    test::writePpm(dir / "sixteen.ppm", test::testPattern(37, 23, 16, 2));
    test::writePpm(dir / "many.ppm", test::testPattern(37, 23, 200, 3));
    test::writePpm(dir / "full.ppm", test::testPattern(37, 23, 5000, 4));
    ASSERT_TRUE(test::run("ppmtobmp -bpp=1 " + p("two.ppm") + " > " + p("b1.bmp")));
    ASSERT_TRUE(test::run("ppmtobmp -bpp=4 " + p("sixteen.ppm") + " > " + p("b4.bmp")));
    ASSERT_TRUE(test::run("ppmtobmp -bpp=8 " + p("many.ppm") + " > " + p("b8.bmp")));
    ASSERT_TRUE(test::run("ppmtobmp -bpp=24 " + p("full.ppm") + " > " + p("b24.bmp")));
    for (const char* f : {"b1.bmp", "b4.bmp", "b8.bmp", "b24.bmp"})
        expectSame(f, "bmptoppm " + p(f));
    // ImageMagick writes longer information headers, RLE8 and 16-bit files.
    ASSERT_TRUE(test::run("convert " + p("full.ppm") + " " + p("v5.bmp")));
    expectSame("v5.bmp", "convert " + p("v5.bmp") + " ppm:-");
    ASSERT_TRUE(
        test::run("convert " + p("many.ppm") + " -colors 200 -compress RLE BMP3:" + p("rle.bmp")));
    expectSame("rle.bmp", "convert " + p("rle.bmp") + " ppm:-");
    ASSERT_TRUE(
        test::run("convert " + p("full.ppm") + " -define bmp:subtype=RGB565 " + p("b565.bmp")));
    // Fields are shifted to the top of the byte, leaving the low bits 0 where others replicate.
    expectSame("b565.bmp", "convert " + p("b565.bmp") + " ppm:-", 0xF8FCF8);
}

TEST_F(RasterInterop, WbmpBothWays) {
    if (!test::haveTool("pbmtowbmp") || !test::haveTool("wbmptopbm"))
        GTEST_SKIP();
    test::writePpm(dir / "two.ppm", test::testPattern(45, 19, 2, 8));
    ASSERT_TRUE(test::run("ppmtopgm " + p("two.ppm") + " | pgmtopbm -threshold | pbmtowbmp > " +
                          p("in.wbmp")));
    expectSame("in.wbmp", "wbmptopbm " + p("in.wbmp") + " | ppmtoppm");

    CPicture picture;
    picture.Create(45, 19, 1);
    picture.m_nDepth = 16;
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 45; ++x)
            picture.SetPixel(x, y, (x * y) % 3 ? 0xFFFF : 0x0000);
    ASSERT_TRUE(WritePictureWbmp(picture, dir / "ours.wbmp"));
    expectSame("ours.wbmp", "wbmptopbm " + p("ours.wbmp") + " | ppmtoppm");
    CurrentMap = &DirectMap;

    std::vector<Colour> colours(256);
    for (int i = 0; i < 256; ++i)
        colours[std::size_t(i)] = rgb(i, 255 - i, i / 2);
    Bytes indices(33 * 7);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = std::uint8_t(i * 13);
    test::writeBytes(dir / "sheet.bmp", EncodeBmp8(33, 7, colours, indices));
    expectSame("sheet.bmp", "bmptoppm " + p("sheet.bmp"));
}

} // namespace
} // namespace pixelon
