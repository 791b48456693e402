#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/wait.h>

#include "core/Portfolio.h"
#include "fonts/Bdf.h"
#include "platform/Feedback.h"
#include "tests/support/PeerTools.h"
#include "tests/support/PixelonProgram.h"
#include "tests/support/TempDir.h"

#ifdef PIXELON_HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

namespace pixelon {
namespace {

const char* SmallFont = R"(STARTFONT 2.1
FONT -test-small
FONTBOUNDINGBOX 5 8 0 -2
CHARS 4
STARTCHAR A
ENCODING 65
BBX 5 3 0 0
BITMAP
70
88
F8
ENDCHAR
STARTCHAR B
ENCODING 66
BBX 4 2 0 -2
BITMAP
F0
90
ENDCHAR
STARTCHAR uni00E9
ENCODING -1
BBX 3 1 0 0
BITMAP
E0
ENDCHAR
STARTCHAR C
ENCODING 67
BBX 4 1 0 0
BITMAP
60
ENDCHAR
ENDFONT
)";

// Runs the built pixelon; the exit status, with standard output and error kept.
class FontCli : public ::testing::Test {
protected:
    void SetUp() override {
        program = test::builtPixelon();
        if (program.empty())
            GTEST_SKIP() << "pixelon not built";
        std::ofstream(p("small.bdf")) << SmallFont;
    }
    int pixelon(const std::string& arguments) {
        return test::runPixelon(program, dir.path, arguments, "QT_QPA_PLATFORM=offscreen");
    }
    std::string text(const char* name) {
        std::ifstream in(p(name));
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::uint8_t> bytes(const char* name) {
        std::ifstream in(p(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    CPortfolio read(const char* name) {
        CPortfolio portfolio;
        RecordingFeedback feedback;
        EXPECT_TRUE(portfolio.ReadFile(p(name), feedback));
        return portfolio;
    }
    std::string p(const char* name) const { return (dir.path / name).string(); }

    std::string program;
    test::TempDir dir;
};

TEST_F(FontCli, BdfImportsIntoANewPortfolio) {
    ASSERT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("g.pfo")), 0) << text("err.txt");
    EXPECT_EQ(text("err.txt"), "");
    CPortfolio g = read("g.pfo");
    EXPECT_EQ(g.m_strName, "MyPortfolio");
    ASSERT_EQ(g.Count(), 4);
    EXPECT_EQ(g.Picture(3).m_nId, 0xE9);
    // Saved and read back as a glyph: white stays white, ink black.
    const CPicture& a = g.Picture(0);
    EXPECT_EQ(a.m_nWidth, 5);
    EXPECT_EQ(a.m_nHeight, 3);
    EXPECT_EQ(a.PixelColour(0, 0), a.PixelColour(4, 0));
    EXPECT_NE(a.PixelColour(0, 0), a.PixelColour(1, 0));
    EXPECT_EQ(a.PixelColour(0, 2), a.PixelColour(1, 0));

    // Into the same portfolio, written elsewhere: one glyph at the font's height.
    ASSERT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("g.pfo") +
                      " --single 42 --global-height -o " + p("h.pfo")),
              0);
    CPortfolio h = read("h.pfo");
    ASSERT_EQ(h.Count(), 5);
    EXPECT_EQ(h.Picture(2).m_nId, 0x42);
    EXPECT_EQ(h.Picture(2).m_nHeight, 8);
}

TEST_F(FontCli, BdfWarningsAndFailures) {
    std::ofstream(p("short.bdf")) << std::string(SmallFont).substr(
        0, 162); // inside the second glyph's bitmap
    ASSERT_EQ(pixelon("bdf " + p("short.bdf") + " " + p("s.pfo")), 0);
    EXPECT_NE(text("err.txt").find("Unexpected end of file\nImported glyphs may be corrupted"),
              std::string::npos);

    EXPECT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("n.pfo") + " --range 100-1FF"), 1);
    EXPECT_FALSE(std::filesystem::exists(p("n.pfo")));
    EXPECT_EQ(pixelon("bdf " + p("missing.bdf") + " " + p("n.pfo")), 1);
    EXPECT_NE(text("err.txt").find("Unable to open file"), std::string::npos);
    EXPECT_NE(text("err.txt").find("missing.bdf"), std::string::npos);
    // A file that is no BDF at all is named, not described by an empty code range.
    std::ofstream(p("notes.txt")) << "just some text\n";
    EXPECT_EQ(pixelon("bdf " + p("notes.txt") + " " + p("n.pfo")), 1);
    EXPECT_NE(text("err.txt").find("notes.txt holds no glyphs"), std::string::npos);
    // Its only glyph refused (a bounding box far too large): no inverted code range is named.
    std::ofstream(p("huge.bdf")) << "STARTFONT 2.1\nFONT x\nSIZE 8 75 75\n"
                                    "FONTBOUNDINGBOX 8 8 0 0\nCHARS 1\nSTARTCHAR a\nENCODING 65\n"
                                    "DWIDTH 8 0\nBBX 70000 70000 0 0\nBITMAP\nFF\nENDCHAR\n"
                                    "ENDFONT\n";
    EXPECT_EQ(pixelon("bdf " + p("huge.bdf") + " " + p("n.pfo")), 1);
    EXPECT_NE(text("err.txt").find("huge.bdf holds no glyphs, "), std::string::npos)
        << text("err.txt");
    EXPECT_FALSE(std::filesystem::exists(p("n.pfo")));
    // So is a font whose only glyph is refused for its size.
    std::ofstream(p("giant.bdf")) << "STARTFONT 2.1\nCHARS 1\nSTARTCHAR a\nENCODING 65\n"
                                     "BBX 2000000000 2000000000 0 0\nBITMAP\nFF\nENDCHAR\n"
                                     "ENDFONT\n";
    EXPECT_EQ(pixelon("bdf " + p("giant.bdf") + " " + p("n.pfo")), 1);
    EXPECT_NE(text("err.txt").find("giant.bdf holds no glyphs"), std::string::npos)
        << text("err.txt");
    EXPECT_FALSE(std::filesystem::exists(p("n.pfo")));
    EXPECT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("n.pfo") + " --range 41"), 1);
    EXPECT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("n.pfo") + " --single 4G"), 1);
    EXPECT_EQ(pixelon("bdf --help"), 0);
    EXPECT_NE(text("out.txt").find("Usage: pixelon bdf"), std::string::npos);
}

// Input without end, or that is no text, ends at once with the usual form of message. The
// child gets a short time-out of its own, so that a reader without bounds fails the test
// rather than filling the memory.
TEST_F(FontCli, BdfInputThatIsNoFontEndsWithAMessage) {
    const auto run = [&](const std::string& font) {
        const std::string line = "timeout 10 " + program + " bdf " + font + " " + p("x.pfo") +
                                 " >" + p("out.txt") + " 2>" + p("err.txt");
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    for (const char* device : {"/dev/zero", "/dev/urandom"}) {
        EXPECT_EQ(run(device), 1) << device;
        EXPECT_EQ(text("err.txt").rfind(std::string("pixelon bdf: ") + device +
                                            ": Unable to open file: Unsupported data: ",
                                        0),
                  0u)
            << text("err.txt");
    }
    EXPECT_EQ(run(dir.path.string()), 1);
    EXPECT_EQ(
        text("err.txt").rfind("pixelon bdf: " + dir.path.string() + ": Unable to open file: ", 0),
        0u)
        << text("err.txt");
    EXPECT_EQ(text("err.txt").find("basic_filebuf"), std::string::npos);
    // Text whose one line never ends.
    std::ofstream(p("long.bdf")) << "STARTFONT 2.1\nCOMMENT " << std::string(1100000, 'x');
    EXPECT_EQ(run(p("long.bdf")), 1);
    EXPECT_NE(text("err.txt").find("a line longer than 1048576 characters"), std::string::npos)
        << text("err.txt");
    EXPECT_FALSE(std::filesystem::exists(p("x.pfo")));
}

TEST_F(FontCli, FntFromAPortfolio) {
    ASSERT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("g.pfo") + " --global-height"), 0);
    ASSERT_EQ(pixelon("fnt " + p("g.pfo") + " -o " + p("g.fnt") +
                      " --name Small --bold --preserve --charset oem"),
              0)
        << text("err.txt");
    const auto f = bytes("g.fnt");
    ASSERT_GT(f.size(), 1500u);
    EXPECT_EQ(f[0] | f[1] << 8, 0x300);
    EXPECT_EQ(f[83] | f[84] << 8, 700);
    EXPECT_EQ(f[85], 255);
    EXPECT_EQ(f[88], 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&f[1492])), "Small");
    // Character 0x41 is 'A' 5 wide; 0x20 the box.
    auto width = [&](int code) { return f[148 + (code - 0x20) * 6]; };
    EXPECT_EQ(width(0x41), 5);
    EXPECT_EQ(width(0xE9), 3);
    EXPECT_EQ(width(0x20), 8);

    // Only some pictures, by ID.
    ASSERT_EQ(pixelon("fnt " + p("g.pfo") + " -o " + p("b.fnt") + " --ids 0x42,67"), 0);
    const auto b = bytes("b.fnt");
    EXPECT_EQ(b[148], 4);
    EXPECT_EQ(b[148 + 6], 4);
    EXPECT_EQ(b[148 + 12], 8);

    EXPECT_EQ(pixelon("fnt " + p("g.pfo") + " -o " + p("x.fnt") + " --charset latin"), 1);
    EXPECT_EQ(pixelon("fnt " + p("g.pfo") + " -o " + p("x.fnt") + " --ids 999"), 1);
    EXPECT_FALSE(std::filesystem::exists(p("x.fnt")));
}

// Imported at the font's height, with the ascent at the top of the font box, and exported again:
// every glyph has its bitmap and its place above the baseline back; bdftopcf compiles the file.
TEST_F(FontCli, BdfExportRoundTrip) {
    ASSERT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("g.pfo") + " --global-height"), 0);
    CPortfolio g = read("g.pfo");
    g.m_nAscent = 6;
    RecordingFeedback quiet;
    ASSERT_TRUE(g.WriteFile(p("g.pfo"), quiet));
    ASSERT_EQ(pixelon("bdf-export " + p("g.pfo") + " -o " + p("out.bdf") + " --name Small"), 0)
        << text("err.txt");
    EXPECT_NE(text("out.txt").find("with 4 glyphs"), std::string::npos);
    CBDF original, exported;
    int flags = 0;
    ASSERT_TRUE(original.ParseFile(p("small.bdf"), flags));
    ASSERT_TRUE(exported.ParseFile(p("out.bdf"), flags));
    EXPECT_EQ(flags, 0);
    EXPECT_NE(text("out.bdf").find("FAMILY_NAME \"Small\"\n"), std::string::npos);
    EXPECT_NE(text("out.bdf").find("FONT_ASCENT 6\n"), std::string::npos);
    ASSERT_EQ(exported.GlyphCount(), 4);
    for (int i = 0; i < original.GlyphCount(); ++i) {
        const BdfGlyph& from = *original.Glyph(i);
        const BdfGlyph* to = nullptr;
        for (int j = 0; j < exported.GlyphCount(); ++j)
            if (exported.Glyph(j)->code == (from.code < 0 ? 0xE9 : from.code))
                to = exported.Glyph(j);
        ASSERT_NE(to, nullptr) << from.name;
        EXPECT_EQ(to->bbxY, from.bbxY) << from.name;
        EXPECT_EQ(to->bbxHeight, from.bbxHeight) << from.name;
        if (from.name != "C") {
            EXPECT_EQ(to->bitmap, from.bitmap) << from.name;
        }
    }
    // 'C' (".##.") loses its empty first column: it starts one column right.
    EXPECT_EQ(exported.Glyph(2)->bbxX, 1);
    EXPECT_EQ(exported.Glyph(2)->bitmap, (std::vector<std::uint8_t>{0xC0}));
    if (std::system("command -v bdftopcf >/dev/null") == 0) {
        EXPECT_EQ(
            std::system(("bdftopcf -o " + p("out.pcf") + " " + p("out.bdf") + " 2>" + p("pcf.txt"))
                            .c_str()),
            0);
        EXPECT_EQ(text("pcf.txt"), "");
    }
}

TEST_F(FontCli, BdfExportRefusesDuplicateIdsNamingThePicture) {
    ASSERT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("d.pfo")), 0);
    ASSERT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("d.pfo") + " --single 42"), 0);
    std::ofstream(p("d.bdf")) << "previous";
    EXPECT_EQ(pixelon("bdf-export " + p("d.pfo") + " -o " + p("d.bdf")), 1);
    EXPECT_NE(text("err.txt").find("Picture 0x0042 shares its ID with another picture"),
              std::string::npos)
        << text("err.txt");
    EXPECT_NE(text("err.txt").find("BDF file not generated."), std::string::npos);
    EXPECT_EQ(text("d.bdf"), "previous");
    EXPECT_EQ(pixelon("bdf-export " + p("d.pfo")), 1); // no -o
    EXPECT_EQ(pixelon("bdf-export --help"), 0);
    EXPECT_NE(text("out.txt").find("Usage: pixelon bdf-export"), std::string::npos);
}

TEST_F(FontCli, FntRefusesDuplicateIds) {
    ASSERT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("d.pfo")), 0);
    ASSERT_EQ(pixelon("bdf " + p("small.bdf") + " " + p("d.pfo") + " --single 41"), 0);
    EXPECT_EQ(pixelon("fnt " + p("d.pfo") + " -o " + p("d.fnt")), 1);
    const std::string err = text("err.txt");
    EXPECT_NE(err.find("Duplicate Portfolio IDs defined in resource."), std::string::npos);
    EXPECT_NE(err.find("Windows FNT file not generated."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(p("d.fnt")));
}

TEST_F(FontCli, SystemFontCharacters) {
    if (std::system("fc-list | grep -q 'DejaVu Sans Mono'") != 0)
        PIXELON_SKIP_WITHOUT_PEER("the font DejaVu Sans Mono");
    ASSERT_EQ(pixelon("font 'DejaVu Sans Mono' --size 12 --single 0041 " + p("f.pfo")), 0)
        << text("err.txt");
    CPortfolio f = read("f.pfo");
    ASSERT_EQ(f.Count(), 1);
    EXPECT_EQ(f.Picture(0).m_nId, 0x41);
    EXPECT_GT(f.Picture(0).m_nHeight, 12);

    ASSERT_EQ(pixelon("font 'DejaVu Sans Mono' --size 9.5 --bold " + p("f.pfo")), 0);
    EXPECT_EQ(read("f.pfo").Count(), 225);
    EXPECT_EQ(pixelon("font 'No Such Family' --size 10 " + p("x.pfo")), 1);
    EXPECT_EQ(pixelon("font 'DejaVu Sans Mono' " + p("x.pfo")), 1); // --size is required
    EXPECT_FALSE(std::filesystem::exists(p("x.pfo")));
}

// The soft hyphen (U+00AD, code AD) has a visible glyph in DejaVu Sans, which FreeType draws at
// every size; the character set export must not leave its picture blank.
TEST_F(FontCli, TheSoftHyphenGetsItsGlyph) {
    const char* file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(file) || std::system("fc-list | grep -q 'DejaVu Sans:'") != 0)
        GTEST_SKIP() << "DejaVu Sans is not installed";
    for (int points : {8, 12, 20}) {
        SCOPED_TRACE(points);
        std::filesystem::remove(p("soft.pfo"));
        ASSERT_EQ(pixelon("font 'DejaVu Sans' --size " + std::to_string(points) + " --single AD " +
                          p("soft.pfo")),
                  0)
            << text("err.txt");
        CPortfolio f = read("soft.pfo");
        ASSERT_EQ(f.Count(), 1);
        const CPicture& soft = f.Picture(0);
        EXPECT_EQ(soft.m_nId, 0xAD);
        int ink = 0;
        for (int y = 0; y < soft.m_nHeight; ++y)
            for (int x = 0; x < soft.m_nWidth; ++x)
                ink += soft.GetPixel(x, y) == 0; // black, in every depth
        EXPECT_GT(ink, 0);
#ifdef PIXELON_HAVE_FREETYPE
        FT_Library library;
        ASSERT_EQ(FT_Init_FreeType(&library), 0);
        FT_Face face;
        ASSERT_EQ(FT_New_Face(library, file, 0, &face), 0);
        ASSERT_EQ(FT_Set_Char_Size(face, 0, points * 64, 96, 96), 0);
        ASSERT_EQ(FT_Load_Char(face, 0xAD, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO), 0);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        int inkFreeType = 0;
        for (unsigned y = 0; y < bitmap.rows; ++y)
            for (unsigned x = 0; x < bitmap.width; ++x)
                inkFreeType +=
                    (bitmap.buffer[y * unsigned(bitmap.pitch) + x / 8] >> (7 - x % 8)) & 1;
        FT_Done_Face(face);
        FT_Done_FreeType(library);
        EXPECT_GT(inkFreeType, 0);
        EXPECT_EQ(ink, inkFreeType);
#endif
    }
}

} // namespace
} // namespace pixelon
