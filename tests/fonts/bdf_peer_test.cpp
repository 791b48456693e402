// BDF files written by another program: X11 fonts converted by pcf2bdf are imported and compared,
// pixel for pixel, with FreeType's rendering of the same PCF fonts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/Picture.h"
#include "fonts/Bdf.h"
#include "tests/support/PeerTools.h"
#include "tests/support/TempDir.h"

#if PIXELON_HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

namespace pixelon {
namespace {

#if PIXELON_HAVE_FREETYPE
const std::filesystem::path FontFolder = "/usr/share/fonts/X11/misc";

class BdfPeer : public ::testing::TestWithParam<const char*> {};

TEST_P(BdfPeer, GlyphsMatchFreeTypesRendering) {
    const std::filesystem::path pcf = FontFolder / GetParam();
    if (!std::filesystem::exists(pcf) || std::system("command -v pcf2bdf >/dev/null") != 0)
        PIXELON_SKIP_WITHOUT_PEER("pcf2bdf or " + pcf.string());
    test::TempDir dir;
    const std::filesystem::path bdf = dir.path / "font.bdf";
    ASSERT_EQ(std::system(("pcf2bdf -o '" + bdf.string() + "' '" + pcf.string() + "'").c_str()), 0);

    CBDF font;
    int flags = 0;
    ASSERT_TRUE(font.ParseFile(bdf, flags));
    EXPECT_EQ(flags, 0);
    ASSERT_GT(font.GlyphCount(), 90);

    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(library, pcf.c_str(), 0, &face), 0);
    ASSERT_EQ(FT_Select_Charmap(face, FT_ENCODING_UNICODE), 0);
    const int fontTop = font.m_nBoxHeight + font.m_nBoxY;

    int compared = 0;
    for (int i = 0; i < font.GlyphCount(); ++i) {
        const BdfGlyph* glyph = font.Glyph(i);
        ASSERT_NE(glyph, nullptr);
        const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(glyph->code));
        if (index == 0)
            continue; // a code FreeType's charmap leaves to the default glyph
        ASSERT_EQ(FT_Load_Glyph(face, index, FT_LOAD_DEFAULT), 0);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        CPicture own, global;
        ASSERT_TRUE(font.GlyphToPicture(i, own, false));
        ASSERT_TRUE(font.GlyphToPicture(i, global, true));
        ASSERT_EQ(own.m_nId, glyph->code);
        ASSERT_EQ(own.m_nWidth, int(bitmap.width)) << glyph->name;
        ASSERT_EQ(own.m_nHeight, int(bitmap.rows)) << glyph->name;
        ASSERT_EQ(global.m_nHeight, font.m_nBoxHeight);
        const int firstRow = fontTop - face->glyph->bitmap_top;
        for (int y = 0; y < int(bitmap.rows); ++y)
            for (int x = 0; x < int(bitmap.width); ++x) {
                const bool ink = bitmap.buffer[y * bitmap.pitch + x / 8] & (0x80 >> (x % 8));
                ASSERT_EQ(own.GetPixel(x, y) == 0, ink) << glyph->name << " at " << x << "," << y;
                const int row = firstRow + y;
                if (row >= 0 && row < global.m_nHeight) {
                    ASSERT_EQ(global.GetPixel(x, row) == 0, ink)
                        << glyph->name << " at " << x << "," << row << " of the font box";
                }
            }
        ++compared;
    }
    EXPECT_GT(compared, 90);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

INSTANTIATE_TEST_SUITE_P(X11MiscFonts, BdfPeer,
                         ::testing::Values("6x13.pcf.gz", "4x6.pcf.gz", "10x20.pcf.gz",
                                           "9x15B.pcf.gz", "clR6x10.pcf.gz"));
#endif

} // namespace
} // namespace pixelon
