#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "codecs/Errors.h"
#include "codecs/ImageDib.h"
#include "codecs/JpegCodec.h"
#include "codecs/JpegDecoder.h"
#include "codecs/JpegEncoder.h"
#include "codecs/JpegTables.h"
#include "tests/codecs/jpeg_support.h"

namespace pixelon {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

std::unique_ptr<CImageObject> smallImage(int w, int h) {
    auto image = std::make_unique<CImageObject>();
    image->Create(w, h, RgbChannels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            image->GetBuffer()->MoveTo(x, y);
            image->GetBuffer()->WriteRgb(x * 20, y * 30, 255 - x * 10);
        }
    return image;
}

// A codec that refuses every file after reading part of it, to check the position restore.
class GreedyRefuser : public CImageCodecProcessor {
public:
    std::string Name() const override { return "Greedy"; }
    std::string Pattern() const override { return "*.x"; }
    std::string DefaultExtension() const override { return "x"; }
    static inline std::vector<std::int64_t> positions;

protected:
    std::unique_ptr<CImageObject> ReadImage(CImageFile& file) override {
        positions.push_back(file.Tell());
        std::uint8_t buffer[5];
        file.Read(buffer);
        return nullptr;
    }
    void WriteImage(CImageFile&, const CImageObject&, std::uint16_t) override {
        throw EImageFileError(FileErrorCause::DiskFull);
    }
};

TEST(ImageCodecManager, BitmapNamedJpgIsReadByTheBitmapCodec) {
    TempDir dir("imgmgr");
    CImageCodecManager writer;
    writer.RegisterCodec<CImageDibCodecProcessor>();
    writer.ChooseWriter(0);
    writer.Inputs().push_back(smallImage(5, 3));
    ASSERT_EQ(writer.Run((dir / "pic.jpg").string()), ImageRunOk);
    EXPECT_EQ(readBytes(dir / "pic.jpg")[0], 'B');

    Surface bitmap = LoadJpegBitmap(dir / "pic.jpg");
    ASSERT_EQ(bitmap.width(), 5);
    ASSERT_EQ(bitmap.height(), 3);
    EXPECT_EQ(bitmap.pixel(4, 2), rgb(80, 60, 215));
    EXPECT_EQ(bitmap.pixel(0, 0), rgb(0, 0, 255));
}

TEST(ImageCodecManager, EveryCodecRefusingRestoresThePosition) {
    TempDir dir("imgrefuse");
    writeBytes(dir / "junk.jpg", std::vector<std::uint8_t>(100, 0x42));
    GreedyRefuser::positions.clear();
    CImageCodecManager manager;
    manager.RegisterCodec<GreedyRefuser>();
    manager.RegisterCodec<CImageDibCodecProcessor>();
    manager.RegisterCodec<GreedyRefuser>();
    manager.RegisterCodec<CImageJpegCodecProcessor>();
    EXPECT_EQ(manager.Run((dir / "junk.jpg").string()), ImageRunFailed);
    EXPECT_EQ(manager.Status(), ImageStatusRunning);
    EXPECT_EQ(GreedyRefuser::positions, (std::vector<std::int64_t>{0, 0}));
    EXPECT_TRUE(manager.Inputs().empty());
    EXPECT_THROW(LoadJpegBitmap(dir / "junk.jpg"), EFatalError);
}

TEST(ImageCodecManager, MissingFileIsAFileError) {
    TempDir dir("imgmissing");
    CImageCodecManager manager;
    manager.RegisterCodec<CImageJpegCodecProcessor>();
    EXPECT_EQ(manager.Run((dir / "absent.jpg").string()), ImageRunFailed);
    EXPECT_EQ(manager.Status(), ImageStatusFileError);
    EXPECT_EQ(manager.FileCause(), FileErrorCause::FileNotFound);
}

TEST(ImageCodecManager, FailedWriteKeepsThePreviousFile) {
    TempDir dir("imgkeep");
    writeBytes(dir / "old.x", {1, 2, 3});
    CImageCodecManager manager;
    manager.RegisterCodec<GreedyRefuser>();
    manager.Inputs().push_back(smallImage(2, 2));
    EXPECT_EQ(manager.Run((dir / "old.x").string()), ImageRunFailed);
    EXPECT_EQ(manager.Status(), ImageStatusFileError);
    EXPECT_EQ(manager.FileCause(), FileErrorCause::DiskFull);
    EXPECT_EQ(readBytes(dir / "old.x"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(dir / "old.x.tmp~"));
    // A folder that does not exist cannot be written to at all; an empty picture has nothing
    // to write.
    CPicture picture;
    picture.Create(4, 4, 1);
    picture.m_nDepth = 16;
    EXPECT_FALSE(WritePictureJpeg(picture, dir / "nowhere" / "p.jpg"));
    EXPECT_TRUE(WritePictureJpeg(picture, dir / "p.jpg"));
    EXPECT_FALSE(WritePictureJpeg(CPicture{}, dir / "empty.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir / "empty.jpg"));
}

TEST(ImageCodecManager, FilterLists) {
    CImageCodecManager manager;
    manager.RegisterCodec<CImageDibCodecProcessor>();
    manager.RegisterCodec<CImageJpegCodecProcessor>();
    EXPECT_EQ(manager.FilterList(true),
              "All picture types|*.bmp;*.jpg;*.jpeg;*.jfif|Bitmap|*.bmp|Jpeg|*.jpg;*.jpeg;*.jfif|"
              "All Files (*.*)|*.*||");
    EXPECT_EQ(manager.FilterList(false),
              "Bitmap (True colors)|*.bmp|Bitmap (256 colors)|*.bmp|Bitmap (256 gray scale)|*.bmp|"
              "Bitmap (16 colors)|*.bmp|Bitmap (16 gray scale)|*.bmp|"
              "Jpeg (High quality)|*.jpg;*.jpeg;*.jfif|Jpeg (Medium quality)|*.jpg;*.jpeg;*.jfif|"
              "Jpeg (Low quality)|*.jpg;*.jpeg;*.jfif|All Files (*.*)|*.*||");
    CImageCodecManager single;
    single.RegisterCodec<CImageJpegCodecProcessor>();
    EXPECT_EQ(single.FilterList(true), "Jpeg|*.jpg;*.jpeg;*.jfif|All Files (*.*)|*.*||");
}

// A bitmap of 16- or 32-bit pixels with its channel masks (compression 3).
std::vector<std::uint8_t> bitFieldBitmap(int bits, std::array<std::uint32_t, 3> masks,
                                         const std::vector<std::uint32_t>& row) {
    const std::size_t stride = (row.size() * std::size_t(bits) / 8 + 3) / 4 * 4;
    std::vector<std::uint8_t> out;
    const auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    };
    put('B' | 'M' << 8, 2);
    put(std::uint32_t(66 + stride), 4);
    put(0, 4);
    put(66, 4);
    put(40, 4);
    put(std::uint32_t(row.size()), 4);
    put(1, 4);
    put(1, 2);
    put(std::uint32_t(bits), 2);
    put(3, 4);
    put(std::uint32_t(stride), 4);
    put(0, 16);
    for (std::uint32_t m : masks)
        put(m, 4);
    for (std::uint32_t v : row)
        put(v, bits / 8);
    out.resize(66 + stride, 0);
    return out;
}

TEST(ImageDibCodec, ChannelMasksDecideTheColours) {
    TempDir dir("imgmask");
    // 5-6-5: full red, full green, full blue, and green's low bit alone.
    writeBytes(dir / "565.jpg",
               bitFieldBitmap(16, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F, 0x0020}));
    Surface bitmap = LoadJpegBitmap(dir / "565.jpg");
    ASSERT_EQ(bitmap.width(), 4);
    EXPECT_EQ(bitmap.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(bitmap.pixel(1, 0), rgb(0, 255, 0));
    EXPECT_EQ(bitmap.pixel(2, 0), rgb(0, 0, 255));
    EXPECT_EQ(bitmap.pixel(3, 0), rgb(0, 4, 0)); // 1 of 63
    // 32-bit pixels with the channels in an unusual order.
    writeBytes(dir / "bgr.bmp",
               bitFieldBitmap(32, {0x0000FF00, 0x00FF0000, 0xFF000000}, {0x11223344}));
    bitmap = LoadJpegBitmap(dir / "bgr.bmp");
    EXPECT_EQ(bitmap.pixel(0, 0), rgb(0x33, 0x22, 0x11));
    // The masks must be there.
    auto cut = bitFieldBitmap(16, {0xF800, 0x07E0, 0x001F}, {0});
    cut.resize(60);
    writeBytes(dir / "cut.bmp", cut);
    EXPECT_THROW(LoadJpegBitmap(dir / "cut.bmp"), EFatalError);
}

TEST(ImageDibCodec, ReadsImageMagicksFiveSixFiveBitmaps) {
    if (!testing::run("convert -version >/dev/null"))
        GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir("imgim");
    testing::RawImage photo = testing::photoLike(40, 30);
    testing::writePnm(dir / "photo.ppm", photo);
    ASSERT_TRUE(testing::run("convert " + (dir / "photo.ppm").string() +
                             " -define bmp:subtype=RGB565 " + (dir / "photo.bmp").string()));
    ASSERT_TRUE(
        testing::run("cp " + (dir / "photo.bmp").string() + " " + (dir / "photo.jpg").string()));
    Surface ours = LoadJpegBitmap(dir / "photo.jpg");
    ASSERT_EQ(ours.width(), 40);
    ASSERT_EQ(ours.height(), 30);
    // Each channel keeps 5 or 6 bits of the original, rounded as the writer chose: within 12
    // of it, where reading the pixels as 5-5-5 is off by more than a hundred.
    int worst = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const std::uint8_t* p = &photo.samples[std::size_t((y * 40 + x) * 3)];
            const Colour c = ours.pixel(x, y);
            worst = std::max({worst, std::abs(redOf(c) - p[0]), std::abs(greenOf(c) - p[1]),
                              std::abs(blueOf(c) - p[2])});
        }
    EXPECT_LE(worst, 12);
}

TEST(ImageDibCodec, VariantsRoundTrip) {
    TempDir dir("imgdib");
    for (std::size_t variant = 0; variant < 5; ++variant) {
        CImageCodecManager manager;
        manager.RegisterCodec<CImageDibCodecProcessor>();
        manager.ChooseWriter(0, variant);
        manager.Inputs().push_back(smallImage(7, 4));
        ASSERT_EQ(manager.Run((dir / "v.bmp").string()), ImageRunOk) << variant;
        Surface back = LoadJpegBitmap(dir / "v.bmp");
        ASSERT_EQ(back.width(), 7);
        ASSERT_EQ(back.height(), 4);
        Colour c = back.pixel(6, 3); // written as (120, 90, 195)
        if (variant == 0) {
            EXPECT_EQ(c, rgb(120, 90, 195));
        } else if (variant == 2 || variant == 4) {
            EXPECT_TRUE(redOf(c) == greenOf(c) && greenOf(c) == blueOf(c)) << variant;
        }
    }
}

TEST(JpegCodecProcessor, ExportUsesHighQualityAndJfifDensity) {
    TempDir dir("imgexport");
    CPicture picture;
    picture.Create(20, 10, 7);
    picture.m_nDepth = 16;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            picture.SetPixel(x, y, std::uint16_t(x < 10 ? 0xF800 : 0x07E0));
    ASSERT_TRUE(WritePictureJpeg(picture, dir / "p.jpg"));
    std::vector<std::uint8_t> file = readBytes(dir / "p.jpg");
    ASSERT_GT(file.size(), 30u);
    // The first luminance quantisation entry of "High quality" is 16 / 16.
    std::size_t dqt = 0;
    while (dqt + 1 < file.size() && !(file[dqt] == 0xFF && file[dqt + 1] == 0xDB))
        ++dqt;
    EXPECT_EQ(file[dqt + 5], 1);
    EXPECT_EQ(file[dqt + 5 + 63], jpeg::LuminanceQuant[63] / 16);

    Surface back = LoadJpegBitmap(dir / "p.jpg");
    ASSERT_EQ(back.width(), 20);
    Colour red = back.pixel(2, 5), green = back.pixel(17, 5);
    EXPECT_GT(redOf(red), 230);
    EXPECT_LT(greenOf(red), 30);
    EXPECT_GT(greenOf(green), 230);
    EXPECT_LT(redOf(green), 30);

    // Reading gives the densities in dots per millimetre.
    CImageFile f;
    ASSERT_EQ(f.Open((dir / "p.jpg").string(), CImageFile::Mode::Read), FileErrorCause::None);
    CImageJpegCodecProcessor reader;
    reader.AttachFile(&f);
    ASSERT_EQ(reader.Run(), ImageRunOk);
    EXPECT_DOUBLE_EQ(reader.m_dXDensity, 100.0);
    EXPECT_DOUBLE_EQ(
        reader.Inputs().front()->GetBuffer()->GetAttribute(CImageBuffer::VerticalResolution, 0),
        100.0);
}

TEST(JpegCodecProcessor, DotsPerInchBecomeDotsPerMillimetre) {
    TempDir dir("imgdpi");
    std::vector<std::uint8_t> file = jpeg::EncodeJpegToMemory(*smallImage(8, 8));
    file[13] = 1; // units: dots per inch
    file[14] = 0;
    file[15] = 72;
    file[16] = 0;
    file[17] = 72;
    writeBytes(dir / "dpi.jpg", file);
    CImageFile f;
    ASSERT_EQ(f.Open((dir / "dpi.jpg").string(), CImageFile::Mode::Read), FileErrorCause::None);
    CImageJpegCodecProcessor reader;
    reader.AttachFile(&f);
    ASSERT_EQ(reader.Run(), ImageRunOk);
    EXPECT_NEAR(reader.m_dXDensity, 2.835, 0.001);
    EXPECT_NEAR(reader.m_dYDensity, 2.835, 0.001);
}

TEST(JpegCodecProcessor, GreyIndexPicturesExportTheirGreys) {
    TempDir dir("imggrey");
    CPicture picture;
    picture.Create(16, 8, 1);
    picture.m_nDepth = 2;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            picture.SetPixel(x, y, std::uint16_t(x / 4)); // black, dark, light, white
    ASSERT_TRUE(WritePictureJpeg(picture, dir / "g.jpg"));
    Surface back = LoadJpegBitmap(dir / "g.jpg");
    EXPECT_LT(grey(back.pixel(1, 4)), 20);
    EXPECT_NEAR(grey(back.pixel(5, 4)), grey(colourDarkGrey), 12);
    EXPECT_NEAR(grey(back.pixel(9, 4)), grey(colourLightGrey), 12);
    EXPECT_GT(grey(back.pixel(14, 4)), 235);
}

TEST(ImageObject, CreateChecksSizeAndConvertsSurfaces) {
    CImageObject image;
    EXPECT_FALSE(image.Create(0, 5, RgbChannels));
    EXPECT_FALSE(image.Create(5, MaxImageDimension + 1, RgbChannels));
    EXPECT_FALSE(image.Create(5, 5, ChannelRed | ChannelLuminance));
    EXPECT_EQ(image.GetBuffer(), nullptr);
    ASSERT_TRUE(image.Create(3, 2, CcirChannels));
    image.GetBuffer()->MoveTo(2, 1);
    image.GetBuffer()->WriteRgb(255, 0, 0);
    int r, g, b;
    image.GetBuffer()->ReadRgb(r, g, b);
    EXPECT_NEAR(r, 255, 2);
    EXPECT_NEAR(g, 0, 2);
    EXPECT_NEAR(b, 0, 2);
    EXPECT_DOUBLE_EQ(image.GetBuffer()->GetAttribute(CImageBuffer::HorizontalResolution, 0),
                     CImageBuffer::UnknownResolution);

    Surface s(4, 3, rgb(10, 20, 30));
    s.setPixel(3, 2, rgb(200, 100, 50));
    Surface back = ImageToSurface(ImageFromSurface(s));
    EXPECT_EQ(back, s);
}

} // namespace
} // namespace pixelon
