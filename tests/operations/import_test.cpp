#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/Errors.h"
#include "codecs/GifWriter.h"
#include "codecs/PngFile.h"
#include "codecs/RasterFile.h"
#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"
#include "tests/operations/PortfolioIds.h"

namespace pixelon {
namespace {

using test::ScratchDir;

using test::addIds;
using test::idsOf;

TEST(PictureIds, NextFreeAndNew) {
    CPortfolio portfolio;
    EXPECT_EQ(NewPictureId(portfolio), 1);
    addIds(portfolio, {4, 1, 2});
    EXPECT_EQ(idsOf(portfolio), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(NextFreeId(portfolio, 1), 3);
    EXPECT_EQ(NewPictureId(portfolio), 5);
    // Past the top of the 16-bit range the search goes on from 0.
    addIds(portfolio, {65535});
    EXPECT_EQ(NewPictureId(portfolio), 0);
}

GifImage imageOf(int left, int top, int w, int h, int index) {
    GifImage image;
    image.left = std::uint16_t(left);
    image.top = std::uint16_t(top);
    image.width = std::uint16_t(w);
    image.height = std::uint16_t(h);
    image.bitsPerPixel = 8;
    image.pixels.assign(std::size_t(w) * std::size_t(h), std::uint8_t(index));
    return image;
}

TEST(ImportDialog, FileOrderSwapsFirstAndLast) {
    std::vector<std::filesystem::path> chosen = {"a.gif", "b.gif", "c.gif"};
    EXPECT_EQ(ImportFileOrder(chosen),
              (std::vector<std::filesystem::path>{"c.gif", "b.gif", "a.gif"}));
    EXPECT_EQ(ImportFileOrder(std::span(chosen).first(1)).front(), "a.gif");
    std::vector<std::filesystem::path> many(300, "x.bmp");
    EXPECT_EQ(ImportFileOrder(many).size(), 255u);
}

class Import : public ::testing::Test {
protected:
    void TearDown() override { CurrentMap = &DirectMap; }
    ScratchDir dir;
    RecordingFeedback feedback;
    CPortfolio portfolio;
};

TEST_F(Import, MultiImageGifBecomesPicturesAndAnimation) {
    GifFile gif;
    gif.screenWidth = 40;
    gif.screenHeight = 30;
    gif.globalTable = CubeColourTable();
    gif.images = {imageOf(0, 0, 20, 20, 0xE0), imageOf(10, 5, 8, 6, 0x03),
                  imageOf(3, 4, 5, 5, 0xFF)};
    ASSERT_TRUE(WriteGifFile(gif, dir / "anim.GIF"));
    addIds(portfolio, {7, 8});

    std::vector<std::filesystem::path> files = {dir / "anim.GIF"};
    ImportReport report = ImportPictureFiles(portfolio, files, feedback);
    EXPECT_EQ(report.picturesAdded, 3);
    EXPECT_EQ(idsOf(portfolio), (std::vector<int>{7, 8, 9, 10, 11}));
    ASSERT_EQ(portfolio.m_animations.size(), 1u);
    const Animation& a = portfolio.m_animations[0];
    EXPECT_EQ(a.name, "New_Animation");
    ASSERT_EQ(a.frames.size(), 3u);
    EXPECT_EQ(a.frames[1], (AnimationFrame{10, 10, 5, 0, 100}));
    // Each picture holds only its own image, grabbed under the current map.
    const CPicture& second = portfolio.Picture(3);
    EXPECT_EQ(second.m_nWidth, 8);
    EXPECT_EQ(second.m_nHeight, 6);
    EXPECT_EQ(second.GetPixel(0, 0), toRgb565(cubePalette()[0x03]));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, AnimationImportedText);
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Information);
    EXPECT_EQ(feedback.progressEvents().front(), "open Importing files...|");
    EXPECT_EQ(feedback.progressEvents().back(), "close");
}

// Adding pictures together gives the order adding them one by one gives: after old pictures
// with the same ID, equal new ones in the order given; an unordered list is filled one by one.
TEST(PictureIds, AddPicturesAsOneByOne) {
    auto picture = [](int id, std::uint16_t mark) {
        auto p = std::make_unique<CPicture>();
        p->Create(1, 1, id);
        p->SetPixel(0, 0, mark);
        return p;
    };
    auto marks = [](const CPortfolio& portfolio) {
        std::vector<int> out;
        for (const auto& p : portfolio.m_pictures)
            out.push_back(p->m_nId * 100 + p->GetPixel(0, 0));
        return out;
    };
    for (bool ordered : {true, false}) {
        CPortfolio one, together;
        for (CPortfolio* p : {&one, &together}) {
            p->m_pictures.push_back(picture(ordered ? 2 : 9, 1));
            p->m_pictures.push_back(picture(ordered ? 5 : 3, 2));
            p->m_pictures.push_back(picture(ordered ? 9 : 5, 3));
        }
        std::vector<std::unique_ptr<CPicture>> batch;
        for (auto [id, mark] : {std::pair{5, 4}, {0, 5}, {9, 6}, {5, 7}, {65535, 8}}) {
            AddPicture(one, picture(id, std::uint16_t(mark)));
            batch.push_back(picture(id, std::uint16_t(mark)));
        }
        AddPictures(together, std::move(batch));
        EXPECT_EQ(marks(together), marks(one)) << (ordered ? "ordered" : "unordered");
    }
}

// A GIF of 70000 one-pixel images (a 1 MB file) imports in one pass: IDs run up to 65535, wrap
// to 0 and, with none free, repeat, as adding the pictures one at a time numbered them. Looking
// the IDs up in the whole portfolio for every image took minutes.
TEST_F(Import, GifWithManyImagesImportsInOnePass) {
    GifFile gif;
    gif.screenWidth = 1;
    gif.screenHeight = 1;
    gif.globalTable = CubeColourTable();
    gif.images.assign(70000, imageOf(0, 0, 1, 1, 0x03));
    ASSERT_TRUE(WriteGifFile(gif, dir / "many.gif"));
    gif = {};
    std::vector<std::filesystem::path> files = {dir / "many.gif"};
    ImportReport report = ImportPictureFiles(portfolio, files, feedback);
    EXPECT_EQ(report.picturesAdded, 70000);
    ASSERT_EQ(portfolio.Count(), 70000);
    ASSERT_EQ(portfolio.m_animations.size(), 1u);
    const auto& frames = portfolio.m_animations[0].frames;
    ASSERT_EQ(frames.size(), 70000u);
    EXPECT_EQ(frames[0].id, 1);
    EXPECT_EQ(frames[65534].id, 65535);
    EXPECT_EQ(frames[65535].id, 0);
    EXPECT_EQ(frames[65536].id, 0); // no free ID within reach: the last one again
    const std::vector<int> ids = idsOf(portfolio);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0), 70000 - 65535);
}

TEST_F(Import, BatchOfBitmapsUnderCurrentMapAndErrors) {
    CPicture wide;
    wide.Create(1280, 3, 1);
    wide.m_nDepth = 16;
    for (int x = 0; x < 1280; ++x)
        wide.SetPixel(x, 1, 0xFFFF);
    ASSERT_TRUE(WritePictureWbmp(wide, dir / "wide.wbmp")); // leaves DirectMap for a colour picture
    std::vector<std::uint8_t> bigBmp =
        EncodeBmp8(1400, 1100, std::vector<Colour>(256, rgb(200, 200, 200)), {});
    test::writeBytes(dir / "big.bmp", bigBmp);
    test::writeBytes(dir / "bad.bmp", {0x00, 0x01, 0x02});
    test::writeBytes(dir / "notes.txt", {1, 2, 3});

    CurrentMap = &GreyMap;
    std::vector<std::filesystem::path> files = {dir / "wide.wbmp", dir / "bad.bmp",
                                                dir / "notes.txt", dir / "big.bmp",
                                                dir / "missing.gif"};
    ImportReport report = ImportPictureFiles(portfolio, files, feedback);
    EXPECT_EQ(report.picturesAdded, 2);
    EXPECT_EQ(report.skipped.size(), 3u);
    ASSERT_EQ(portfolio.Count(), 2);
    EXPECT_EQ(idsOf(portfolio), (std::vector<int>{1, 2}));
    const CPicture& first = portfolio.Picture(0);
    EXPECT_EQ(first.m_nDepth, 2); // grabbed under GreyMap
    EXPECT_EQ(first.GetPixel(5, 1), 3);
    EXPECT_EQ(first.GetPixel(5, 0), 0);
    const CPicture& big = portfolio.Picture(1);
    EXPECT_EQ(big.m_nWidth, 1280);
    EXPECT_EQ(big.m_nHeight, 1024);
    EXPECT_EQ(big.GetPixel(1279, 1023), 2); // light grey through GreyMap
    // Files that cannot be decoded are reported, naming the file, a GIF as a raster file is; a
    // name without a picture extension is skipped quietly. The report keeps every reason.
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_EQ(feedback.messages()[0].text, (dir / "bad.bmp").string() + "\n\nUnknown file type");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(feedback.messages()[1].text,
              (dir / "missing.gif").string() + "\n\nThe file could not be located");
    EXPECT_EQ(feedback.messages()[1].icon, MessageIcon::Stop);
    EXPECT_EQ(report.skipReasons,
              (std::vector<std::string>{"Unknown file type", "Unknown file type",
                                        "The file could not be located"}));
    // The progress window names each file while it is read.
    const std::vector<std::string>& events = feedback.progressEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "text big.bmp"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "text notes.txt"), 1);
}

TEST_F(Import, AGifWithoutAnImageIsNamed) {
    // A GIF with a screen descriptor and a trailer but no image.
    test::writeBytes(dir / "empty.gif", {'G', 'I', 'F', '8', '9', 'a', 4, 0, 4, 0, 0, 0, 0, 0x3B});
    test::writeBytes(dir / "other.gif", {'G', 'I', 'F', '8', '9', 'a', 4, 0, 4, 0, 0, 0, 0, 0x3B});
    std::vector<std::filesystem::path> files = {dir / "empty.gif", dir / "other.gif"};
    ImportReport report = ImportPictureFiles(portfolio, files, feedback);
    EXPECT_EQ(report.picturesAdded, 0);
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_EQ(feedback.messages()[0].text,
              (dir / "empty.gif").string() + "\n\nThe GIF file holds no image.");
    EXPECT_EQ(feedback.messages()[1].text,
              (dir / "other.gif").string() + "\n\nThe GIF file holds no image.");
    EXPECT_THROW(DecodePictureBitmap(dir / "empty.gif", PictureFileType::Gif), EFatalError);
}

TEST_F(Import, PngsAreFoundByTheirSignatureAndTransparencyBecomesTheMask) {
    PngPicture clear;
    clear.colours = Surface(5, 4, rgb(0, 0, 255));
    clear.colours.setPixel(1, 1, rgb(255, 0, 0));
    clear.opaque.assign(20, 1);
    clear.opaque[0] = clear.opaque[19] = 0;
    ASSERT_TRUE(WritePngFile(clear, dir / "clear.dat"));
    PngPicture solid;
    solid.colours = Surface(3, 3, rgb(255, 255, 255));
    ASSERT_TRUE(WritePngFile(solid, dir / "solid.png"));
    test::writeBytes(dir / "broken.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});

    std::vector<std::filesystem::path> files = {dir / "clear.dat", dir / "solid.png",
                                                dir / "broken.png"};
    ImportReport report = ImportPictureFiles(portfolio, files, feedback);
    EXPECT_EQ(report.picturesAdded, 2);
    ASSERT_EQ(portfolio.Count(), 2);
    const CPicture& icon = portfolio.Picture(0);
    EXPECT_TRUE(icon.m_bMasked);
    EXPECT_EQ(icon.GetMask(0, 0), 0);
    EXPECT_EQ(icon.GetMask(4, 3), 0);
    EXPECT_EQ(icon.GetMask(1, 0), 1);
    EXPECT_EQ(icon.PixelColour(1, 1), rgb(255, 0, 0));
    EXPECT_EQ(icon.PixelColour(2, 2), rgb(0, 0, 255));
    EXPECT_FALSE(portfolio.Picture(1).m_bMasked);
    ASSERT_EQ(report.skipReasons, (std::vector<std::string>{"The PNG file is damaged."}));
    EXPECT_EQ(feedback.messages().back().icon, MessageIcon::Stop);

    // The editor of an interactive import sees the transparency too.
    bool sawMask = false;
    ImportOptions options;
    options.editor = [&](CPicture& p, const Surface&) {
        sawMask = p.m_bMasked && !p.GetMask(0, 0);
        return true;
    };
    std::vector<std::filesystem::path> one = {dir / "clear.dat"};
    EXPECT_EQ(ImportPictureFiles(portfolio, one, feedback, options).picturesAdded, 1);
    EXPECT_TRUE(sawMask);
}

TEST_F(Import, EditorDecidesInInteractiveMode) {
    CPicture p;
    p.Create(4, 4, 1);
    ASSERT_TRUE(WritePictureGif(p, dir / "one.gif", 101, 80));
    std::vector<std::filesystem::path> files = {dir / "one.gif"};
    int opened = 0;
    ImportOptions cancel{[&](CPicture&, const Surface& source) {
                             ++opened;
                             EXPECT_EQ(source.width(), 4);
                             return false;
                         },
                         {}};
    EXPECT_EQ(ImportPictureFiles(portfolio, files, feedback, cancel).picturesAdded, 0);
    ImportOptions ok{[&](CPicture&, const Surface&) { return ++opened > 0; }, {}};
    EXPECT_EQ(ImportPictureFiles(portfolio, files, feedback, ok).picturesAdded, 1);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(portfolio.Count(), 1);
}

TEST_F(Import, JpegGoesThroughTheDecoder) {
    test::writeBytes(dir / "photo.jpg", {0xFF, 0xD8});
    std::vector<std::filesystem::path> files = {dir / "photo.jpg", dir / "broken.jpeg"};
    ImportOptions options{{}, [](const std::filesystem::path& path) {
                              if (path.filename() == "broken.jpeg")
                                  throw EFatalError("Not a JPEG file");
                              return Surface(3, 2, rgb(255, 0, 0));
                          }};
    ImportReport report = ImportPictureFiles(portfolio, files, feedback, options);
    EXPECT_EQ(report.picturesAdded, 1);
    EXPECT_EQ(portfolio.Picture(0).GetPixel(2, 1), 0xF800);
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, (dir / "broken.jpeg").string() + "\n\nNot a JPEG file");
}

} // namespace
} // namespace pixelon
