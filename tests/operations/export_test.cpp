#include <gtest/gtest.h>

#include "codecs/GifReader.h"
#include "codecs/PngFile.h"
#include "core/Colours.h"
#include "core/Picture.h"
#include "operations/PictureExport.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"

namespace pixelon {
namespace {

using test::ScratchDir;

CPicture redSquare(int size) {
    CPicture p;
    p.Create(size, size, 12);
    p.m_nDepth = 16;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            p.SetPixel(x, y, 0xF800);
    return p;
}

CPicture greyPicture() {
    CPicture p;
    p.Create(4, 4, 3);
    p.m_nDepth = 16;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            p.SetPixel(x, y, x < 2 ? 0 : 0xFFFF);
    return p;
}

class Export : public ::testing::Test {
protected:
    void TearDown() override {
        SetLastExportKind(0);
        CurrentMap = &DirectMap;
    }
    ScratchDir dir;
    RecordingFeedback feedback;
};

TEST_F(Export, NamesAndTexts) {
    EXPECT_EQ(DefaultExportName("C:\\work\\set.pfo", "Icons", 12), "C:\\work\\Icons_00012");
    EXPECT_EQ(DefaultExportName("/home/u/set.pfo", "Icons", 12345), "/home/u/Icons_12345");
    EXPECT_EQ(DefaultExportName("", "MyPortfolio", 1), "MyPortfolio_00001");
    EXPECT_EQ(ExportSavedText("/x/a.gif", 321),
              "Picture Saved to file:\n\n  /x/a.gif  \n\n  File Size: 321  ");
}

TEST_F(Export, GrabMapByPhoneType) {
    const CPicture colour = redSquare(2), grey = greyPicture();
    EXPECT_EQ(&ExportGrabMap(0, ApplicationType::VistrelEms, colour), &GreyMap);
    EXPECT_EQ(&ExportGrabMap(2, ApplicationType::Kinetto, colour), &DirectMap);
    EXPECT_EQ(&ExportGrabMap(3, ApplicationType::VistrelEms, colour), &DirectMap);
    EXPECT_EQ(&ExportGrabMap(7, ApplicationType::Kinetto, colour), &GreyMap);
    SetLastExportKind(0);
    EXPECT_EQ(&ExportGrabMap(14, ApplicationType::Kinetto, colour), &DirectMap);
    EXPECT_EQ(&ExportGrabMap(14, ApplicationType::Kinetto, grey), &GreyMap);
    SetLastExportKind(1);
    EXPECT_EQ(&ExportGrabMap(14, ApplicationType::Kinetto, grey), &DirectMap);
    SetLastExportKind(2);
    EXPECT_EQ(&ExportGrabMap(14, ApplicationType::Kinetto, colour), &GreyMap);
}

TEST_F(Export, PreviewPicture) {
    const CPicture picture = redSquare(10);
    CPicture same = PictureForExport(picture, 12, ApplicationType::Kinetto);
    EXPECT_EQ(same.m_nWidth, 10);
    EXPECT_EQ(same.m_pixels, picture.m_pixels);
    // Type 3 shows the Kinetto application at 128 x 128: the picture sits top-left on white.
    CPicture preview = PictureForExport(picture, 3, ApplicationType::Kinetto);
    const auto size = phoneFormatInfo(3).previewFor(ApplicationType::Kinetto);
    ASSERT_TRUE(size);
    EXPECT_EQ(preview.m_nWidth, size->width);
    EXPECT_EQ(preview.m_nHeight, size->height);
    EXPECT_EQ(preview.GetPixel(9, 9), 0xF800);
    EXPECT_EQ(preview.GetPixel(10, 0), 0xFFFF);
    EXPECT_EQ(preview.m_nId, 12);
}

TEST_F(Export, WritesEachKindAndReports) {
    const CPicture picture = redSquare(150);
    ExportRequest gif{dir / "a.gif", ExportType::Gif, 3, ApplicationType::Kinetto, {}, {}};
    ASSERT_TRUE(ExportPicture(picture, gif, feedback));
    GifFile back;
    ASSERT_TRUE(ReadGifFile(back, gif.path));
    EXPECT_EQ(back.screenWidth, 128); // the preview is 128 wide, the type's picture size 128 x 110
    EXPECT_EQ(back.screenHeight, 110);
    EXPECT_EQ(LastExportKind(), 0);
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text,
              ExportSavedText(gif.path.string(), (long long)std::filesystem::file_size(gif.path)));
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Information);

    bool jpegCalled = false;
    ExportRequest jpeg{dir / "a.jpg",
                       ExportType::Jpeg,
                       0,
                       ApplicationType::BackgroundPicture,
                       [&](const CPicture& p, const std::filesystem::path&) {
                           jpegCalled = p.m_nWidth == 101;
                           return true;
                       },
                       {}};
    ASSERT_TRUE(ExportPicture(picture, jpeg, feedback));
    EXPECT_TRUE(jpegCalled);
    EXPECT_EQ(LastExportKind(), 1);
    EXPECT_EQ(feedback.messages().back().text,
              ExportSavedText(jpeg.path.string(), 600)); // no file appeared

    ExportRequest wbmp{dir / "a.wbmp", ExportType::Wbmp, 5, ApplicationType::Kinetto, {}, {}};
    ASSERT_TRUE(ExportPicture(picture, wbmp, feedback));
    EXPECT_EQ(LastExportKind(), 2);
}

TEST_F(Export, APngIsThePictureItselfAndLeavesTheLastKind) {
    const CPicture picture = redSquare(150);
    SetLastExportKind(2);
    ExportRequest png{dir / "a.png", ExportType::Png, 3, ApplicationType::Kinetto, {}, {}};
    ASSERT_TRUE(ExportPicture(picture, png, feedback));
    EXPECT_EQ(LastExportKind(), 2);
    auto read = ReadPngFile(png.path);
    ASSERT_TRUE(std::holds_alternative<PngImage>(read));
    const Surface& back = std::get<PngImage>(read).colours;
    EXPECT_EQ(back.width(), 150); // not cut to the phone type's 128 x 110
    EXPECT_EQ(back.height(), 150);
    EXPECT_EQ(back.pixel(149, 149), picture.PixelColour(149, 149));
    EXPECT_EQ(feedback.messages().back().icon, MessageIcon::Information);
    ExportRequest bad{dir / "none" / "a.png", ExportType::Png, 0, ApplicationType::Kinetto, {}, {}};
    EXPECT_FALSE(ExportPicture(picture, bad, feedback));
    EXPECT_EQ(feedback.messages().back().text, ExportFailedText);
}

TEST_F(Export, APngIsAtTheDepthThePictureIsSavedAt) {
    // Pictures read from a portfolio hold 16-bit colours; their PNG still takes the depth the
    // file gives them: black and white in 1 bit, four greys in 2, a stored 8-bit picture's
    // colours as a palette, other colours as RGB.
    CPicture greys = greyPicture();
    greys.SetPixel(1, 1, toRgb565(GreyMap.colours[1]));
    greys.SetPixel(2, 2, toRgb565(GreyMap.colours[2]));
    CPicture cube = redSquare(5);
    cube.m_nStoredDepth = 8;
    CPicture icon = greyPicture();
    icon.m_bMasked = true;
    icon.m_mask.assign(16, 1);
    icon.SetMask(0, 0, 0);
    struct Case {
        const char* name;
        const CPicture* picture;
        int bits, type;
    } cases[] = {{"mono", nullptr, 1, 3},
                 {"greys", &greys, 2, 3},
                 {"cube", &cube, 8, 3},
                 {"colour", nullptr, 8, 2},
                 {"icon", &icon, 2, 3}};
    const CPicture mono = greyPicture(), colour = redSquare(6);
    cases[0].picture = &mono;
    cases[3].picture = &colour;
    for (const Case& c : cases) {
        ExportRequest png{dir / (std::string(c.name) + ".png"),
                          ExportType::Png,
                          0,
                          ApplicationType::Kinetto,
                          {},
                          {}};
        ASSERT_TRUE(ExportPicture(*c.picture, png, feedback)) << c.name;
        const auto bytes = test::readBytes(png.path);
        ASSERT_GT(bytes.size(), 25u);
        EXPECT_EQ(bytes[24], c.bits) << c.name;
        EXPECT_EQ(bytes[25], c.type) << c.name;
        auto read = ReadPngFile(png.path);
        ASSERT_TRUE(std::holds_alternative<PngImage>(read)) << c.name;
        const PngImage& back = std::get<PngImage>(read);
        for (int y = 0; y < c.picture->m_nHeight; ++y)
            for (int x = 0; x < c.picture->m_nWidth; ++x) {
                const bool transparent = c.picture->m_bMasked && !c.picture->GetMask(x, y);
                EXPECT_EQ(back.transparentAt(x, y), transparent) << c.name;
                if (!transparent) {
                    EXPECT_EQ(back.colours.pixel(x, y), c.picture->PixelColour(x, y)) << c.name;
                }
            }
    }
}

TEST_F(Export, FailuresAreReported) {
    const CPicture picture = redSquare(5);
    ExportRequest gif{dir / "none" / "a.gif", ExportType::Gif, 0, ApplicationType::Kinetto, {}, {}};
    EXPECT_FALSE(ExportPicture(picture, gif, feedback));
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_EQ(feedback.messages()[0].text,
              "Unable to save file.\nAll or part of the path is invalid.");
    EXPECT_EQ(feedback.messages()[1].text, "Failed to write source file data.");
    EXPECT_EQ(feedback.messages()[1].icon, MessageIcon::Stop);
    feedback.clear();
    ExportRequest jpeg{
        dir / "none" / "a.jpg", ExportType::Jpeg, 0, ApplicationType::Kinetto, {}, {}};
    EXPECT_FALSE(ExportPicture(picture, jpeg, feedback));
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_EQ(feedback.messages()[0].text,
              "Unable to save file.\nAll or part of the path is invalid.");
    feedback.clear();
    ExportRequest wbmp{
        dir / "none" / "a.wbmp", ExportType::Wbmp, 0, ApplicationType::Kinetto, {}, {}};
    EXPECT_FALSE(ExportPicture(picture, wbmp, feedback));
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_EQ(feedback.messages()[0].text.rfind("Unable to save file.\n", 0), 0u);
    EXPECT_EQ(feedback.messages()[1].text, "Failed to write source file data.");
}

} // namespace
} // namespace pixelon
