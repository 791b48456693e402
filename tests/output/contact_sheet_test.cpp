#include <gtest/gtest.h>

#include "OutputTestUtil.h"
#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"
#include "codecs/RasterFile.h"
#include "output/ContactSheet.h"
#include "output/SheetLabel.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"
#include "tests/support/ScriptedChooser.h"

namespace pixelon {
namespace {

using test::addSolid;
using test::ScratchDir;

constexpr Colour White = rgb(255, 255, 255);
constexpr Colour Black = rgb(0, 0, 0);

// A 1-bit-class picture: white with a black diagonal.
void addDiagonal(CPortfolio& portfolio, int id, int size) {
    addSolid(portfolio, id, size, size, White);
    for (int i = 0; i < size; ++i)
        portfolio.m_pictures.back()->SetPixel(i, i, 0);
}

bool anyInk(const Surface& s, Rect r) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (s.pixel(x, y) == Black)
                return true;
    return false;
}

TEST(ContactSheet, OneSmallPictureGivesTheMinimumCell) {
    CPortfolio portfolio;
    addSolid(portfolio, 7, 10, 10);
    const SheetGeometry g = SheetGeometry::For(portfolio);
    EXPECT_EQ(g.Width(), 38);
    EXPECT_EQ(g.Height(), 58);
    EXPECT_EQ(g.Frame(0), (Rect{1, 1, 37, 37}));
}

TEST(ContactSheet, EightPicturesGiveTwoRowsOfSevenColumns) {
    CPortfolio portfolio;
    for (int i = 0; i < 8; ++i)
        addSolid(portfolio, i, 40, 20);
    const SheetGeometry g = SheetGeometry::For(portfolio);
    EXPECT_EQ(g.columns, 7);
    EXPECT_EQ(g.rows, 2);
    EXPECT_EQ(g.Width(), 7 * (40 + 6));
    EXPECT_EQ(g.Height(), 2 * (32 + 26));
    EXPECT_EQ(g.Frame(7), (Rect{1, 59, 45, 95}));
    EXPECT_EQ(g.Frame(6), (Rect{6 * 45 + 1, 1, 6 * 45 + 45, 37}));
}

TEST(ContactSheet, PicturesSitInTheirFramesAndLargeOnesAreCut) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 200, 300, rgb(255, 0, 0));
    addSolid(portfolio, 23, 5, 5, rgb(0, 0, 255));
    const ContactSheet sheet = RenderContactSheet(portfolio);
    const SheetGeometry g = SheetGeometry::For(portfolio);
    EXPECT_EQ(g.cellWidth, 128);
    EXPECT_EQ(sheet.depth, 16);
    const Rect f0 = g.Frame(0), f1 = g.Frame(1);
    EXPECT_EQ(sheet.bitmap.pixel(f0.left, f0.top), Black);
    EXPECT_EQ(sheet.bitmap.pixel(f0.right - 1, f0.bottom - 1), Black);
    EXPECT_EQ(sheet.bitmap.pixel(f0.left + 1, f0.top + 1), White);
    EXPECT_EQ(sheet.bitmap.pixel(f0.left + 2, f0.top + 2), rgb(255, 0, 0));
    EXPECT_EQ(sheet.bitmap.pixel(f0.left + 129, f0.top + 129), rgb(255, 0, 0));
    EXPECT_EQ(sheet.bitmap.pixel(f0.left + 130, f0.top + 130), White); // cut at 128
    EXPECT_EQ(sheet.bitmap.pixel(f1.left + 6, f1.top + 6), rgb(0, 0, 255));
    EXPECT_EQ(sheet.bitmap.pixel(f1.left + 7, f1.top + 7), White);
    // The IDs under the frames, centred on them.
    const int labelTop = f1.top + g.cellHeight + 21 - LabelLineHeight;
    const int centre = (f1.left + f1.right) / 2;
    EXPECT_TRUE(anyInk(sheet.bitmap, {centre - 6, labelTop, centre + 6, labelTop + 13}));
    EXPECT_FALSE(anyInk(sheet.bitmap, {f1.left + 1, f1.bottom, centre - 6, g.Height()}));
    EXPECT_TRUE(anyInk(sheet.bitmap, {(f0.left + f0.right) / 2 - 3, labelTop,
                                      (f0.left + f0.right) / 2 + 3, labelTop + 13}));
}

TEST(ContactSheet, TheDeepestPictureChoosesTheColourTable) {
    CPortfolio mono;
    addDiagonal(mono, 1, 10);
    EXPECT_EQ(RenderContactSheet(mono).depth, 1);
    EXPECT_EQ(ContactSheetGif(RenderContactSheet(mono)).flags, 0x80);

    CPortfolio grey = CPortfolio();
    addDiagonal(grey, 1, 10);
    addSolid(grey, 2, 4, 4, colourDarkGrey);
    const ContactSheet greySheet = RenderContactSheet(grey);
    EXPECT_EQ(greySheet.depth, 2);
    const GifFile greyGif = ContactSheetGif(greySheet);
    EXPECT_EQ(greyGif.flags, 0x91);
    EXPECT_EQ(greyGif.globalTable->Count(), 4);

    CPortfolio colour;
    addSolid(colour, 1, 4, 4, rgb(0, 255, 0));
    const GifFile colourGif = ContactSheetGif(RenderContactSheet(colour));
    EXPECT_EQ(colourGif.flags, 0xF7);
    EXPECT_EQ(colourGif.globalTable->Count(), 256);
    EXPECT_EQ(SheetPalette()[7 * 32 + 7 * 4 + 3], White);
    EXPECT_EQ(SheetPalette()[3 * 32 + 5 * 4 + 1], rgb(110, 183, 85));
}

TEST(ContactSheet, AOneBitSheetIsWrittenWithTheSmallestLegalCodeSize) {
    CPortfolio portfolio;
    addDiagonal(portfolio, 1, 10);
    const std::vector<std::uint8_t> bytes =
        EncodeGifFile(ContactSheetGif(RenderContactSheet(portfolio)));
    // Header 13 bytes, a 2-entry table of 6, an image descriptor of 10, then the code size.
    ASSERT_GT(bytes.size(), 30u);
    EXPECT_EQ(bytes[10] & 0x87, 0x80);
    EXPECT_EQ(bytes[29], 2);
    GifFile back;
    ASSERT_TRUE(ReadGifBytes(back, bytes));
    const Surface shown = RenderGifImage(back, 0);
    EXPECT_EQ(shown.pixel(3, 3), Black);
    EXPECT_EQ(shown.pixel(4, 3), White);
}

TEST(ContactSheet, SixteenBitBmpPaletteIsTheFiveSixFiveExpansion) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 4, 4, rgb(255, 0, 0));
    const std::vector<std::uint8_t> bytes = ContactSheetBmp(RenderContactSheet(portfolio));
    RasterFile file(bytes);
    file.ReadHeader();
    EXPECT_EQ(file.BitsPerPixel(), 8);
    EXPECT_EQ(file.Info().xPelsPerMeter, 2834);
    EXPECT_EQ(file.Info().clrUsed, 256u);
    ASSERT_EQ(file.Palette().size(), 256u);
    // Level 37 of red and green is 4/31 and 9/63 in 5-6-5, shown as 32 and 36.
    EXPECT_EQ(file.Palette()[32 + 4], rgb(32, 36, 0));
    EXPECT_EQ(file.Palette()[224], rgb(255, 0, 0));
}

class SheetFiles : public ::testing::Test {
protected:
    ScratchDir dir;
    RecordingFeedback feedback;
};

TEST_F(SheetFiles, ExportReportsProgressAndWritesBothFormats) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 4, 4, rgb(255, 0, 0));
    addSolid(portfolio, 2, 4, 4, White);
    ASSERT_TRUE(ExportContactSheet(portfolio, dir / "s.gif", SheetFormat::Gif, feedback));
    // Steps are shown at most about 25 times a run, so only the texts are compared.
    auto texts = [&] {
        std::vector<std::string> kept;
        for (const std::string& e : feedback.progressEvents())
            if (e.rfind("step", 0) != 0)
                kept.push_back(e);
        return kept;
    };
    const std::vector<std::string> expected{
        "open Exporting Portfolio Pictures to Contact Sheet|Building Contact Sheet...",
        "text Building GIF...", "text Saving GIF...", "close"};
    EXPECT_EQ(texts(), expected);
    EXPECT_EQ(feedback.progress().high(), 2);
    feedback.clear();
    ASSERT_TRUE(ExportContactSheet(portfolio, dir / "s.bmp", SheetFormat::Bmp, feedback));
    EXPECT_EQ(texts()[1], "text Building BMP...");
    EXPECT_TRUE(feedback.messages().empty());
}

TEST_F(SheetFiles, AFailedSaveSaysSoAndKeepsThePreviousFile) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 4, 4);
    const auto missing = dir / "no" / "s.gif";
    EXPECT_FALSE(ExportContactSheet(portfolio, missing, SheetFormat::Gif, feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, "Unable to save file.\n" + missing.string());
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(feedback.progressEvents().back(), "close");

    CPortfolio empty;
    feedback.clear();
    EXPECT_FALSE(ExportContactSheet(empty, dir / "e.gif", SheetFormat::Gif, feedback));
    EXPECT_FALSE(std::filesystem::exists(dir / "e.gif"));
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
}

TEST_F(SheetFiles, TooManyPicturesForTheFileFormatAreRefused) {
    CPortfolio portfolio;
    for (int i = 0; i < 7 * 426; ++i)
        addSolid(portfolio, i, 1, 128);
    EXPECT_GT(SheetGeometry::For(portfolio).Height(), MaxSheetSide);
    EXPECT_FALSE(ExportContactSheet(portfolio, dir / "big.gif", SheetFormat::Gif, feedback));
    EXPECT_NE(feedback.messages()[0].text.find("taller than 65535"), std::string::npos);
}

TEST(ContactSheetSize, GifKeepsItsSideLimitAndEveryFormatItsMemoryBound) {
    SheetGeometry g;
    g.cellWidth = g.cellHeight = 32;
    g.columns = 7;
    g.rows = 1130; // 65,540 tall
    EXPECT_NE(SheetSizeRefusal(g, SheetFormat::Gif), "");
    EXPECT_EQ(SheetSizeRefusal(g, SheetFormat::Bmp), "");
    g.cellWidth = g.cellHeight = 128;
    g.rows = int(MaxSheetPixels / (134 * 7) / 154); // just inside
    EXPECT_EQ(SheetSizeRefusal(g, SheetFormat::Bmp), "");
    g.rows += 1;
    EXPECT_EQ(SheetSizeRefusal(g, SheetFormat::Bmp),
              "The contact sheet would be larger than 268435456 pixels.");
}

TEST_F(SheetFiles, TheSaveDialogsSecondFilterWritesBmpAndCancelWritesNothing) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 4, 4);
    test::ScriptedChooser chooser;
    EXPECT_FALSE(RunContactSheetExport(portfolio, "/x/demo.pfo", chooser, feedback));
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].filter,
              "GIF File (*.gif)|*.gif|BMP File (*.bmp)|*.bmp|PNG File (*.png)|*.png||");
    EXPECT_EQ(chooser.asked[0].defaultName, "demo Contact Sheet");
    EXPECT_TRUE(feedback.progressEvents().empty());

    chooser.queuePath((dir / "sheet").string());
    chooser.answers.back()->filterIndex = 2;
    ASSERT_TRUE(RunContactSheetExport(portfolio, "/x/demo.pfo", chooser, feedback));
    const std::vector<std::uint8_t> bytes = test::readBytes(dir / "sheet");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
}

TEST_F(SheetFiles, APngSheetHasTheGifsPixelsAsPeersReadThem) {
    if (!test::haveTool("compare") || !test::haveTool("pngcheck"))
        GTEST_SKIP() << "ImageMagick or pngcheck missing";
    CPortfolio portfolio;
    addSolid(portfolio, 1, 4, 4);
    addSolid(portfolio, 2, 40, 9);
    portfolio.m_pictures.back()->m_nDepth = 16;
    portfolio.m_pictures.back()->SetPixel(3, 3, 0xF800);
    ASSERT_TRUE(ExportContactSheet(portfolio, dir / "s.gif", SheetFormat::Gif, feedback));
    test::ScriptedChooser chooser;
    chooser.queuePath((dir / "s.png").string());
    chooser.answers.back()->filterIndex = 3;
    ASSERT_TRUE(RunContactSheetExport(portfolio, "/x/demo.pfo", chooser, feedback));
    EXPECT_TRUE(test::run("pngcheck -q " + (dir / "s.png").string()));
    EXPECT_TRUE(test::run("compare -metric AE " + (dir / "s.gif").string() + " " +
                          (dir / "s.png").string() + " null:"));
}

TEST(SheetName, DefaultNameFollowsThePortfolioFile) {
    EXPECT_EQ(DefaultSheetName("/home/u/glyphs.pfo"), "glyphs Contact Sheet");
    EXPECT_EQ(DefaultSheetName(""), "Contact Sheet");
}

} // namespace
} // namespace pixelon
