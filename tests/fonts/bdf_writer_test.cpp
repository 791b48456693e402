// Writing a portfolio as a BDF font: the text read back by our own reader, by FreeType and by
// bdftopcf, and the pictures a font cannot hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/Document.h"
#include "core/EString.h"
#include "core/Portfolio.h"
#include "fonts/Bdf.h"
#include "fonts/BdfWriter.h"
#include "platform/Feedback.h"
#include "tests/support/TempDir.h"

#if PIXELON_HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

namespace pixelon {
namespace {

// A 1-bit picture drawn from rows of '#' (black) and '.' (white).
std::unique_ptr<CPicture> glyph(int id, const std::vector<std::string>& rows) {
    auto p = std::make_unique<CPicture>();
    p->Create(rows.empty() ? 0 : int(rows[0].size()), int(rows.size()), id);
    for (int y = 0; y < p->m_nHeight; ++y)
        for (int x = 0; x < p->m_nWidth; ++x)
            p->SetPixel(x, y, rows[std::size_t(y)][std::size_t(x)] == '#' ? 0 : 3);
    return p;
}

CBDF parse(const std::string& text) {
    CBDF font;
    int flags = 0;
    font.Parse(text, flags);
    EXPECT_EQ(flags, 0);
    return font;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BdfWriter : public ::testing::Test {
protected:
    void SetUp() override {
        portfolio.m_strName = "Tiny";
        // 'A' fills its picture; '.' has blank rows above and a blank column on each side;
        // the space has no ink at all.
        portfolio.m_pictures.push_back(glyph(0x20, {"...", "...", "...", "...", "..."}));
        portfolio.m_pictures.push_back(glyph(0x2E, {"....", "....", "....", ".##.", "...."}));
        portfolio.m_pictures.push_back(glyph(0x41, {".#.", "#.#", "###", "#.#", "#.#"}));
    }
    CPortfolio portfolio;
};

TEST_F(BdfWriter, GlyphsSitOnTheAscentLineWithTightBoxes) {
    portfolio.m_nAscent = 4;
    portfolio.m_nHeight = 6;
    portfolio.m_nSpacing = 1;
    const std::string text = BuildBdf(portfolio, "Tiny");
    EXPECT_EQ(text.rfind("STARTFONT 2.1\n", 0), 0u);
    EXPECT_TRUE(contains(text, "FONT_ASCENT 4\n"));
    EXPECT_TRUE(contains(text, "FONT_DESCENT 2\n"));
    EXPECT_TRUE(contains(text, "PIXEL_SIZE 6\n"));
    EXPECT_TRUE(contains(text, "FAMILY_NAME \"Tiny\"\n"));
    EXPECT_TRUE(contains(text, "CHARSET_REGISTRY \"ISO10646\"\n"));
    EXPECT_TRUE(contains(text, "WEIGHT_NAME \"Medium\"\nSLANT \"R\"\n"));

    const CBDF font = parse(text);
    ASSERT_EQ(font.GlyphCount(), 3);
    EXPECT_EQ(font.m_nCharsAnnounced, 3);
    const BdfGlyph& space = *font.Glyph(0);
    EXPECT_EQ(space.code, 0x20);
    EXPECT_EQ(space.bbxWidth, 0);
    EXPECT_EQ(space.metrics.dwidth[0], 4); // width 3 and the spacing
    // The dot's one row is picture row 3: its bottom edge is 4 - 3 - 1 = 0, on the baseline.
    const BdfGlyph& dot = *font.Glyph(1);
    EXPECT_EQ(dot.name, "uni002E");
    EXPECT_EQ((std::vector{dot.bbxWidth, dot.bbxHeight, dot.bbxX, dot.bbxY}),
              (std::vector{2, 1, 1, 0}));
    EXPECT_EQ(dot.bitmap, (std::vector<std::uint8_t>{0xC0}));
    EXPECT_EQ(dot.metrics.dwidth[0], 5);
    // 'A' is 5 rows from the ascent line: one row below the baseline.
    const BdfGlyph& a = *font.Glyph(2);
    EXPECT_EQ((std::vector{a.bbxWidth, a.bbxHeight, a.bbxX, a.bbxY}), (std::vector{3, 5, 0, -1}));
    EXPECT_EQ(a.bitmap, (std::vector<std::uint8_t>{0x40, 0xA0, 0xE0, 0xA0, 0xA0}));
    // The font box spans every glyph's ink.
    EXPECT_EQ((std::vector{font.m_nBoxWidth, font.m_nBoxHeight, font.m_nBoxX, font.m_nBoxY}),
              (std::vector{3, 5, 0, -1}));
}

TEST_F(BdfWriter, MetricsWithoutTextMetricsAndStyles) {
    // No ascent and no height: the baseline under the tallest picture, no descent.
    BdfFontMetrics m = BdfMetricsOf(portfolio);
    EXPECT_EQ(m.ascent, 5);
    EXPECT_EQ(m.descent, 0);
    EXPECT_EQ(m.pixelSize, 5);
    // An ascent below the pictures' height gives the rest as descent.
    portfolio.m_nAscent = 3;
    m = BdfMetricsOf(portfolio);
    EXPECT_EQ(m.descent, 2);
    // A negative spacing never makes a negative advance.
    portfolio.m_nSpacing = -2;
    portfolio.m_pictures.push_back(glyph(0x49, {"#", "#", "#"}));
    portfolio.m_nWeight = 700;
    portfolio.m_bItalic = 1;
    const std::string text = BuildBdf(portfolio, "Odd-Name*\"?,\xC3\xA9");
    EXPECT_TRUE(contains(text, "DWIDTH 0 0\n"));
    EXPECT_TRUE(contains(text, "WEIGHT_NAME \"Bold\"\nSLANT \"I\"\n"));
    EXPECT_TRUE(contains(text, "FAMILY_NAME \"Odd_Name______\"\n"));
    EXPECT_TRUE(contains(text, "FONT -Pixelon-Odd_Name______-Bold-I-Normal--5-"));
    EXPECT_EQ(BdfFamilyName(""), "Pixelon");
    EXPECT_EQ(parse(text).GlyphCount(), 4);
}

TEST_F(BdfWriter, TransparentPixelsAndColourBlackAndWhite) {
    // An icon's transparent pixels are paper whatever their value; RGB565 black and white are
    // ink and paper.
    auto icon = glyph(0x42, {"##", "##"});
    icon->m_bMasked = true;
    icon->SetMask(0, 0, 1);
    icon->SetMask(1, 0, 0);
    icon->SetMask(0, 1, 0);
    icon->SetMask(1, 1, 0);
    auto colour = glyph(0x43, {"#.", ".#"});
    colour->m_nDepth = 16;
    colour->SetPixel(1, 0, 0xFFFF);
    colour->SetPixel(0, 1, 0xFFFF);
    portfolio.m_pictures.push_back(std::move(icon));
    portfolio.m_pictures.push_back(std::move(colour));
    const CBDF font = parse(BuildBdf(portfolio, "x"));
    EXPECT_EQ(font.Glyph(3)->bitmap, (std::vector<std::uint8_t>{0x80}));
    EXPECT_EQ(font.Glyph(4)->bitmap, (std::vector<std::uint8_t>{0x80, 0x40}));
}

TEST_F(BdfWriter, RefusesWhatAFontCannotHoldNamingThePicture) {
    auto refusal = [this] {
        try {
            BuildBdf(portfolio, "x");
        } catch (const EString& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    portfolio.Picture(2).SetPixel(1, 1, 1); // dark grey inside 'A'
    EXPECT_EQ(refusal(), "Picture 0x0041 holds grey or colour pixels (first at 1,1): a BDF font "
                         "holds only black and white glyphs");
    portfolio.Picture(2).SetPixel(1, 1, 3);
    portfolio.Picture(1).m_nDepth = 16;
    portfolio.Picture(1).SetPixel(0, 0, 0xF800); // red
    EXPECT_TRUE(contains(refusal(), "Picture 0x002E holds grey or colour pixels (first at 0,0)"));
    portfolio.Picture(1).SetPixel(0, 0, 0xFFFF);
    portfolio.m_pictures.push_back(glyph(0x41, {"#"}));
    EXPECT_TRUE(contains(refusal(), "Picture 0x0041 shares its ID with another picture"));
    portfolio.m_pictures.back()->m_nId = -5;
    EXPECT_TRUE(contains(refusal(), "Picture -5 has an ID that is no Unicode code"));
    portfolio.m_pictures.back()->m_nId = 0x110000;
    EXPECT_TRUE(contains(refusal(), "Picture 0x110000 has an ID that is no Unicode code"));
    portfolio.m_pictures.clear();
    EXPECT_TRUE(contains(refusal(), "holds no pictures"));
}

TEST_F(BdfWriter, ExportReportsAndKeepsThePreviousFile) {
    test::TempDir dir;
    const auto path = dir.path / "tiny.bdf";
    RecordingFeedback feedback;
    ASSERT_TRUE(ExportBdfFont(portfolio, path, "Tiny", feedback));
    EXPECT_TRUE(feedback.messages().empty());
    const std::string written = fileText(path);
    EXPECT_EQ(written, BuildBdf(portfolio, "Tiny"));

    // A refused font leaves the file as it was.
    portfolio.m_pictures.push_back(glyph(0x41, {"#"}));
    EXPECT_FALSE(ExportBdfFont(portfolio, path, "Tiny", feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_TRUE(contains(feedback.messages()[0].text, "\nBDF file not generated."));
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(fileText(path), written);

    // A folder that does not exist.
    portfolio.m_pictures.pop_back();
    feedback.clear();
    EXPECT_FALSE(ExportBdfFont(portfolio, dir.path / "no" / "such.bdf", "Tiny", feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text.rfind("Unable to save file.\n", 0), 0u);
}

class ScriptedChooser : public FileChooser {
public:
    std::optional<FileAnswer> answer;
    FileRequest asked;
    std::optional<FileAnswer> chooseOpen(const FileRequest&) override { return {}; }
    std::optional<FileAnswer> chooseSave(const FileRequest& request) override {
        asked = request;
        return answer;
    }
};

TEST_F(BdfWriter, WindowCommandAsksForTheFile) {
    test::TempDir dir;
    ScriptedChooser chooser;
    RecordingFeedback feedback;
    EXPECT_FALSE(RunBdfExport(portfolio, "/work/set.v1/glyphs.pfo", chooser, feedback));
    EXPECT_EQ(chooser.asked.defaultName, "/work/set.v1/glyphs.bdf");
    EXPECT_EQ(chooser.asked.filter, BdfExportFilter);
    EXPECT_EQ(ProposeBdfFileName("", "Tiny"), "Tiny.bdf");
    EXPECT_EQ(ProposeBdfFileName("", ""), "font.bdf");

    chooser.answer = FileAnswer();
    chooser.answer->paths = {(dir.path / "w.bdf").string()};
    EXPECT_TRUE(RunBdfExport(portfolio, "", chooser, feedback));
    EXPECT_TRUE(contains(fileText(dir.path / "w.bdf"), "FAMILY_NAME \"Tiny\""));
}

#if PIXELON_HAVE_FREETYPE
// The ink of one glyph as FreeType draws it: (x, y) with y upwards from the baseline, x from
// the bitmap's left edge when `fromOrigin` is false, else from the glyph origin.
std::set<std::pair<int, int>> inkOf(FT_Face face, FT_ULong code, bool fromOrigin) {
    std::set<std::pair<int, int>> ink;
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0)
        return ink;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    for (int y = 0; y < int(bitmap.rows); ++y)
        for (int x = 0; x < int(bitmap.width); ++x)
            if (bitmap.buffer[y * bitmap.pitch + x / 8] & (0x80 >> (x % 8)))
                ink.emplace((fromOrigin ? slot->bitmap_left : 0) + x, slot->bitmap_top - y);
    return ink;
}

const std::filesystem::path FontFolder = "/usr/share/fonts/X11/misc";

class BdfWriterPeer : public ::testing::TestWithParam<const char*> {};

// An X11 font as BDF, imported at the font's height and written again: FreeType draws every
// glyph of both files (and of the PCF bdftopcf makes of ours) with the same pixels at the same
// height above the baseline. Our import drops the glyphs' x offsets, so columns are compared
// from the original bitmap's left edge.
TEST_P(BdfWriterPeer, RoundTripKeepsEveryGlyph) {
    const std::filesystem::path pcf = FontFolder / GetParam();
    if (!std::filesystem::exists(pcf) || std::system("command -v pcf2bdf >/dev/null") != 0 ||
        std::system("command -v bdftopcf >/dev/null") != 0)
        GTEST_SKIP() << "pcf2bdf, bdftopcf or " << pcf << " is not installed";
    test::TempDir dir;
    const auto original = dir.path / "original.bdf", ours = dir.path / "ours.bdf",
               compiled = dir.path / "ours.pcf";
    ASSERT_EQ(
        std::system(("pcf2bdf -o '" + original.string() + "' '" + pcf.string() + "'").c_str()), 0);
    CBDF font;
    int flags = 0;
    ASSERT_TRUE(font.ParseFile(original, flags));
    CPortfolio portfolio;
    portfolio.m_nAscent = font.m_nBoxHeight + font.m_nBoxY;
    std::set<int> codes;
    for (int i = 0; i < font.GlyphCount(); ++i) {
        auto picture = std::make_unique<CPicture>();
        ASSERT_TRUE(font.GlyphToPicture(i, *picture, true));
        if (codes.insert(picture->m_nId).second)
            portfolio.m_pictures.push_back(std::move(picture));
    }
    RecordingFeedback feedback;
    ASSERT_TRUE(ExportBdfFont(portfolio, ours, "Round", feedback));
    ASSERT_EQ(std::system(("bdftopcf -o '" + compiled.string() + "' '" + ours.string() + "' 2>'" +
                           (dir.path / "err.txt").string() + "'")
                              .c_str()),
              0);
    EXPECT_EQ(fileText(dir.path / "err.txt"), "");

    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face theirs, mine, mineCompiled;
    ASSERT_EQ(FT_New_Face(library, original.c_str(), 0, &theirs), 0);
    ASSERT_EQ(FT_New_Face(library, ours.c_str(), 0, &mine), 0);
    ASSERT_EQ(FT_New_Face(library, compiled.c_str(), 0, &mineCompiled), 0);
    for (FT_Face face : {theirs, mine, mineCompiled})
        ASSERT_EQ(FT_Select_Charmap(face, FT_ENCODING_UNICODE), 0);
    EXPECT_EQ(mine->num_glyphs, theirs->num_glyphs);
    int compared = 0;
    for (int code : codes) {
        const auto expected = inkOf(theirs, FT_ULong(code), false);
        if (FT_Get_Char_Index(theirs, FT_ULong(code)) == 0)
            continue;
        ASSERT_EQ(inkOf(mine, FT_ULong(code), true), expected) << GetParam() << " " << code;
        ASSERT_EQ(inkOf(mineCompiled, FT_ULong(code), true), expected) << GetParam() << " " << code;
        ++compared;
    }
    EXPECT_GT(compared, 90);
    for (FT_Face face : {theirs, mine, mineCompiled})
        FT_Done_Face(face);
    FT_Done_FreeType(library);
}

INSTANTIATE_TEST_SUITE_P(X11MiscFonts, BdfWriterPeer,
                         ::testing::Values("6x13.pcf.gz", "4x6.pcf.gz", "10x20.pcf.gz",
                                           "9x15B.pcf.gz", "clR6x10.pcf.gz"));
#endif

} // namespace
} // namespace pixelon
