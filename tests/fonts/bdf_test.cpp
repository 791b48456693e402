#include <gtest/gtest.h>

#include <string>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "fonts/Bdf.h"
#include "fonts/BdfImport.h"
#include "platform/Feedback.h"
#include "tests/support/TempDir.h"

#include <fstream>

namespace pixelon {
namespace {

// A font of `chars` announced glyphs around the given glyph sections.
std::string font(const std::string& glyphs, int chars, const std::string& version = "2.1") {
    return "STARTFONT " + version +
           "\nCOMMENT made for a test\nFONT -test-fixed\nSIZE 12 75 75\n"
           "FONTBOUNDINGBOX 8 12 0 -3\nSTARTPROPERTIES 2\nFONT_ASCENT 9\nFONT_DESCENT 3\n"
           "ENDPROPERTIES\nCHARS " +
           std::to_string(chars) + "\n" + glyphs + "ENDFONT\n";
}

std::string glyph(const std::string& name, const std::string& encoding,
                  const std::string& bbx = "5 2 0 0", const std::string& rows = "A8\n70\n") {
    return "STARTCHAR " + name + "\nENCODING " + encoding + "\nSWIDTH 500 0\nDWIDTH 6 0\nBBX " +
           bbx + "\nBITMAP\n" + rows + "ENDCHAR\n";
}

struct Parsed {
    CBDF font;
    int flags = 0;
    int count = 0;
};

Parsed parse(const std::string& text) {
    Parsed p;
    p.count = p.font.Parse(text, p.flags);
    return p;
}

// The picture as rows of '#' (black) and '.' (white).
std::vector<std::string> rowsOf(const CPicture& picture) {
    std::vector<std::string> rows;
    for (int y = 0; y < picture.m_nHeight; ++y) {
        std::string row;
        for (int x = 0; x < picture.m_nWidth; ++x)
            row += picture.GetPixel(x, y) == 0 ? '#' : picture.GetPixel(x, y) == 3 ? '.' : '?';
        rows.push_back(row);
    }
    return rows;
}

TEST(BdfParse, ReadsTheFontAndItsGlyphs) {
    Parsed p = parse(font(glyph("A", "65") + glyph("B", "66", "5 2 1 0", "f8\n88\n"), 2));
    EXPECT_EQ(p.count, 2);
    EXPECT_EQ(p.flags, 0);
    EXPECT_EQ(p.font.m_strFontName, "-test-fixed");
    EXPECT_EQ(p.font.m_nBoxHeight, 12);
    EXPECT_EQ(p.font.m_nBoxY, -3);
    ASSERT_EQ(p.font.m_properties.size(), 2u);
    EXPECT_EQ(p.font.m_properties[1], "FONT_DESCENT 3");
    EXPECT_EQ(p.font.m_nLowestCode, 65);
    EXPECT_EQ(p.font.m_nHighestCode, 66);
    const BdfGlyph* b = p.font.Glyph(1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->bitmap, (std::vector<std::uint8_t>{0xF8, 0x88}));
    EXPECT_EQ(b->metrics.dwidth, (BdfPair{6, 0}));
    EXPECT_EQ(p.font.Glyph(2), nullptr);
}

TEST(BdfParse, VersionIsComparedAsText) {
    EXPECT_EQ(parse(font(glyph("A", "65"), 1, "2.1")).flags, 0);
    EXPECT_EQ(parse(font(glyph("A", "65"), 1, "2.2")).flags, 0);
    Parsed later = parse(font(glyph("A", "65"), 1, "2.3"));
    EXPECT_EQ(later.flags, BdfLaterVersion);
    EXPECT_EQ(later.count, 1);
    EXPECT_EQ(BdfWarningText(later.flags), "BDF version is later than 2.2\nErrors may occur");
}

TEST(BdfParse, CodesFromEncodingAndNames) {
    Parsed p = parse(font(glyph("x", "-1 65") + glyph("uni0042", "-1") + glyph("afii10017", "-1") +
                              glyph("a.cafe", "-1") + glyph("y", "255"),
                          5));
    EXPECT_EQ(p.flags, 0);
    EXPECT_EQ(p.font.Glyph(0)->code, 65);
    EXPECT_EQ(p.font.Glyph(1)->code, 0x42);
    EXPECT_EQ(p.font.Glyph(2)->code, 0x1001);
    EXPECT_EQ(p.font.Glyph(3)->code, 0xCAFE);
    EXPECT_EQ(p.font.Glyph(4)->code, 255);
    // The token after "ENCODING -1" that is not a number is read again: the metrics survive.
    EXPECT_EQ(p.font.Glyph(1)->bbxWidth, 5);
    EXPECT_EQ(p.font.Glyph(1)->metrics.swidth, (BdfPair{500, 0}));
}

TEST(BdfParse, GlyphWithoutCodeGetsZeroAndTheWarning) {
    Parsed p = parse(font(glyph("A", "65") + glyph("space", "-1") + glyph("big", "70000"), 3));
    EXPECT_EQ(p.flags, BdfNoValidCode);
    EXPECT_EQ(p.font.Glyph(1)->code, 0);
    EXPECT_EQ(p.font.Glyph(2)->code, 0);
    EXPECT_TRUE(p.font.m_bNoValidCode);
    EXPECT_EQ(p.font.m_nLowestCode, 0);
    EXPECT_EQ(BdfWarningText(p.flags), "One or more glyphs did not have a valid Unicode, these has "
                                       "all been assigned to 0x0000");
}

TEST(BdfParse, CutOffFileKeepsTheGlyphsBefore) {
    std::string text = font(glyph("A", "65") + glyph("B", "66"), 2);
    text = text.substr(
        0, text.find("STARTCHAR B") +
               std::string(
                   "STARTCHAR B\nENCODING 66\nSWIDTH 500 0\nDWIDTH 6 0\nBBX 5 2 0 0\nBITMAP\nF")
                   .size());
    Parsed p = parse(text);
    EXPECT_TRUE(p.flags & BdfEarlyEnd);
    EXPECT_EQ(BdfWarningText(p.flags), "Unexpected end of file\nImported glyphs may be corrupted");
    EXPECT_EQ(p.count, 1);
    CPicture a;
    ASSERT_TRUE(p.font.GlyphToPicture(0, a, false));
    EXPECT_EQ(rowsOf(a), (std::vector<std::string>{"#.#.#", ".###."}));
}

TEST(BdfParse, CharsCountDecidesHowManyGlyphsAreRead) {
    Parsed tooFew = parse(font(glyph("A", "65") + glyph("B", "66"), 3));
    EXPECT_EQ(tooFew.count, 2);
    EXPECT_EQ(tooFew.flags, BdfCountMismatch);
    EXPECT_EQ(BdfWarningText(tooFew.flags),
              "The actual number of glyphs mismatched with the specified");
    Parsed extra = parse(font(glyph("A", "65") + glyph("B", "66"), 1));
    EXPECT_EQ(extra.count, 1);
    EXPECT_EQ(extra.flags, 0);
    EXPECT_EQ(extra.font.m_nHighestCode, 65);
    // Glyphs before any CHARS line are not read.
    Parsed noChars = parse("STARTFONT 2.1\n" + glyph("A", "65") + "ENDFONT\n");
    EXPECT_EQ(noChars.count, 0);
}

TEST(BdfParse, BadNumberStopsWithTheFormatWarning) {
    Parsed p = parse(font(glyph("A", "65") + glyph("B", "6x"), 2));
    EXPECT_EQ(p.flags, BdfNumberError | BdfCountMismatch);
    EXPECT_EQ(BdfWarningText(p.flags),
              "Errors found in file format\nImported glyphs may be corrupted");
    EXPECT_EQ(p.count, 1);
    // Version first, whatever else is set.
    EXPECT_EQ(BdfWarningText(BdfLaterVersion | BdfEarlyEnd | BdfCountMismatch),
              BdfWarningText(BdfLaterVersion));
    EXPECT_EQ(BdfWarningText(BdfCountMismatch | BdfNoValidCode), BdfWarningText(BdfNoValidCode));
}

TEST(BdfParse, OversizedGlyphsAreSkippedNotAllocated) {
    Parsed p = parse(font(glyph("A", "65") + glyph("neg", "66", "-5 2 0 0") +
                              glyph("huge", "67", "60000 60000 0 0") +
                              glyph("wide", "68", "2000000000 1 0 0") + glyph("Z", "90"),
                          5));
    EXPECT_EQ(p.flags, BdfNumberError);
    EXPECT_EQ(p.count, 5);
    EXPECT_EQ(p.font.Glyph(1), nullptr);
    EXPECT_EQ(p.font.Glyph(2), nullptr);
    EXPECT_EQ(p.font.Glyph(3), nullptr);
    ASSERT_NE(p.font.Glyph(4), nullptr);
    EXPECT_EQ(p.font.m_nHighestCode, 90);
    CPicture picture;
    EXPECT_FALSE(p.font.GlyphToPicture(2, picture, false));
    EXPECT_FALSE(p.font.GlyphToPicture(5, picture, false));
    // A huge announced count reserves nothing it could not fill.
    Parsed announced = parse(font(glyph("A", "65"), 2000000000));
    EXPECT_EQ(announced.count, 1);
}

TEST(BdfParse, HexRowsAreLenient) {
    // Lower-case digits, an odd digit dropped, bytes beyond the box dropped, and a bitmap
    // missing rows reads as blank.
    Parsed p = parse(font(
        glyph("A", "65", "9 3 0 0", "ff8\nC0 8000 77\n") + glyph("B", "66", "4 2 0 0", ""), 2));
    EXPECT_EQ(p.flags, 0);
    EXPECT_EQ(p.font.Glyph(0)->bitmap,
              (std::vector<std::uint8_t>{0xFF, 0xC0, 0x80, 0x00, 0x77, 0x00}));
    CPicture b;
    ASSERT_TRUE(p.font.GlyphToPicture(1, b, false));
    EXPECT_EQ(rowsOf(b), (std::vector<std::string>{"....", "...."}));
}

TEST(BdfGlyphPicture, PixelsWithAndWithoutTheGlobalHeight) {
    Parsed p = parse(font(glyph("A", "65", "5 6 1 -2", "A8\n00\n00\n00\n00\nF8\n"), 1));
    CPicture own;
    ASSERT_TRUE(p.font.GlyphToPicture(0, own, false));
    EXPECT_EQ(own.m_nId, 65);
    EXPECT_EQ(own.m_nDepth, 1);
    EXPECT_EQ(own.m_nWidth, 5);
    ASSERT_EQ(own.m_nHeight, 6);
    EXPECT_EQ(rowsOf(own)[0], "#.#.#");
    EXPECT_EQ(rowsOf(own)[5], "#####");

    // Box 12 high at -3, glyph 6 high at -2: its first row lands on row (12 - 3) - (6 - 2) = 5.
    CPicture global;
    ASSERT_TRUE(p.font.GlyphToPicture(0, global, true));
    ASSERT_EQ(global.m_nHeight, 12);
    const auto rows = rowsOf(global);
    for (int y = 0; y < 12; ++y) {
        const std::string expected = y == 5 ? "#.#.#" : y == 10 ? "#####" : ".....";
        EXPECT_EQ(rows[std::size_t(y)], expected) << "row " << y;
    }
}

TEST(BdfGlyphPicture, RowsOutsideTheFontBoxAreDropped) {
    // A glyph reaching above the font's top line and below its bottom.
    Parsed p = parse(font(
        glyph("A", "65", "8 14 0 -4", "FF\n01\n02\n03\n04\n05\n06\n07\n08\n09\n0A\n0B\n0C\nFF\n"),
        1));
    CPicture global;
    ASSERT_TRUE(p.font.GlyphToPicture(0, global, true));
    ASSERT_EQ(global.m_nHeight, 12);
    // First row at (12 - 3) - (14 - 4) = -1: the top row is lost, row 0 holds bitmap row 1.
    EXPECT_EQ(rowsOf(global)[0], ".......#");
    EXPECT_EQ(rowsOf(global)[11], "....##..");
}

TEST(BdfImport, RangeSingleAndOrder) {
    const std::string text = font(glyph("Z", "90") + glyph("A", "65") + glyph("at", "64") +
                                      glyph("B", "66") + glyph("[", "91"),
                                  5);
    Parsed p = parse(text);
    BdfImportChoice choice = ProposeBdfImport(p.font);
    EXPECT_EQ(choice.rangeFirst, "0040");
    EXPECT_EQ(choice.rangeLast, "005B");
    EXPECT_EQ(choice.singleCode, "0030");
    EXPECT_TRUE(choice.globalHeightEnabled);
    choice.rangeFirst = "0041";
    choice.rangeLast = "005a";
    auto [first, last] = choice.codes();
    EXPECT_EQ(first, 0x41);
    EXPECT_EQ(last, 0x5A);

    CPortfolio portfolio;
    auto existing = std::make_unique<CPicture>();
    existing->Create(1, 1, 0x41);
    existing->m_nDepth = 16;
    CPicture* old = existing.get();
    portfolio.m_pictures.push_back(std::move(existing));
    RecordingFeedback feedback;
    BdfImportResult result =
        ImportBdfGlyphs(p.font, portfolio, first, last, false, feedback.progress());
    EXPECT_EQ(result.added, 3);
    ASSERT_EQ(portfolio.Count(), 4);
    // Kept in ID order; the new 0x41 goes after the one already there.
    EXPECT_EQ(&portfolio.Picture(0), old);
    EXPECT_EQ(portfolio.Picture(1).m_nId, 0x41);
    EXPECT_EQ(portfolio.Picture(2).m_nId, 0x42);
    EXPECT_EQ(portfolio.Picture(3).m_nId, 0x5A);
    // The last glyph of the file within the range is the one the list selects.
    ASSERT_NE(result.last, nullptr);
    EXPECT_EQ(result.last->m_nId, 0x42);
    EXPECT_EQ(feedback.progressEvents().front(), "open Importing glyphs...|");

    choice.singleGlyph = true;
    choice.singleCode = "5b";
    EXPECT_EQ(choice.codes(), std::make_pair(0x5B, 0x5B));
}

TEST(BdfImport, GlobalHeightNeedsAFontBox) {
    Parsed p = parse("STARTFONT 2.1\nCHARS 1\n" + glyph("A", "65") + "ENDFONT\n");
    BdfImportChoice choice = ProposeBdfImport(p.font);
    EXPECT_FALSE(choice.globalHeightEnabled);
    EXPECT_FALSE(choice.globalHeight());
}

TEST(BdfFile, ReadingIsBoundedAndSaysWhy) {
    test::TempDir dir;
    int flags = 0;
    std::string failure;
    CBDF font;
    EXPECT_FALSE(font.ParseFile("/dev/zero", flags, {}, &failure));
    EXPECT_EQ(failure.rfind("Unsupported data: a NUL character at byte 0", 0), 0u) << failure;
    EXPECT_FALSE(font.ParseFile(dir.path, flags, {}, &failure));
    EXPECT_FALSE(failure.empty());

    // A line at the bound reads; one character more does not, also when it spans blocks.
    const auto path = dir.path / "f.bdf";
    const std::string head = "STARTFONT 2.1\nCOMMENT ";
    std::ofstream(path) << head << std::string(CBDF::MaxLineLength - 8, 'x') << "\n"
                        << "CHARS 1\n"
                        << glyph("A", "65") << "ENDFONT\n";
    failure.clear();
    ASSERT_TRUE(font.ParseFile(path, flags, {}, &failure)) << failure;
    EXPECT_EQ(font.GlyphCount(), 1);
    std::ofstream(path) << head << std::string(CBDF::MaxLineLength - 7, 'x') << "\nENDFONT\n";
    EXPECT_FALSE(font.ParseFile(path, flags, {}, &failure));
    EXPECT_EQ(failure, "Unsupported data: a line longer than 1048576 characters");

    // A file larger than the bound is refused by its size, before it is read.
    std::filesystem::resize_file(path, CBDF::MaxFileSize + 1);
    EXPECT_FALSE(font.ParseFile(path, flags, {}, &failure));
    EXPECT_EQ(failure, "Unsupported data: a file larger than 268435456 bytes");
    std::filesystem::remove(path);
}

TEST(BdfImport, LoadShowsOneWarningOrTheOpenFailure) {
    test::TempDir dir;
    RecordingFeedback feedback;
    CBDF missing;
    EXPECT_FALSE(LoadBdfFont(missing, dir.path / "none.bdf", feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, "Unable to open file");

    const auto path = dir.path / "late.bdf";
    std::ofstream(path) << font(glyph("A", "65") + glyph("space", "-1"), 3, "2.3");
    feedback.clear();
    CBDF late;
    EXPECT_TRUE(LoadBdfFont(late, path, feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, "BDF version is later than 2.2\nErrors may occur");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::None);
    EXPECT_EQ(feedback.progressEvents().front(), "open Parsing BDF file...|");
    EXPECT_EQ(late.GlyphCount(), 2);
}

TEST(BdfImport, HexFields) {
    EXPECT_EQ(ParseHexField("00FF"), 0xFF);
    EXPECT_EQ(ParseHexField("fe"), 0xFE);
    EXPECT_EQ(ParseHexField("12zz"), 0x12);
    EXPECT_EQ(ParseHexField(""), 0);
    EXPECT_EQ(ParseHexField("xyz"), 0);
}

} // namespace
} // namespace pixelon
