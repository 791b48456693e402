#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <set>

#include "core/AppSettings.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "fonts/FntExport.h"
#include "fonts/FntWriter.h"
#include "platform/Feedback.h"
#include "tests/support/TempDir.h"

#if PIXELON_HAVE_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_WINFONTS_H
#endif

namespace pixelon {
namespace {

using Bytes = std::vector<std::uint8_t>;

int u16(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8;
}
std::uint32_t u32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16) | std::uint32_t(b[at + 3]) << 24;
}
int slotWidth(const Bytes& b, int slot) {
    return u16(b, std::size_t(fnt::HeaderSize + slot * fnt::EntrySize));
}
std::uint32_t slotOffset(const Bytes& b, int slot) {
    return u32(b, std::size_t(fnt::HeaderSize + slot * fnt::EntrySize + 2));
}

// A glyph-like picture: RGB565 white with black where `ink(x, y)` says.
std::unique_ptr<CPicture> picture(int id, int width, int height, int seed = 0) {
    auto p = std::make_unique<CPicture>();
    p->Create(width, height, id);
    p->m_nDepth = 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p->SetPixel(x, y, (x * 7 + y * 3 + seed + id) % 5 < 2 ? 0x0000 : 0xFFFF);
    return p;
}

struct Glyphs {
    std::vector<std::unique_ptr<CPicture>> owned;
    std::vector<const CPicture*> list;
    void add(std::unique_ptr<CPicture> p) {
        list.push_back(p.get());
        owned.push_back(std::move(p));
    }
};

Glyphs threeLetters() {
    Glyphs g;
    g.add(picture(0x41, 6, 10));
    g.add(picture(0x42, 9, 12));
    g.add(picture(0x43, 4, 11));
    return g;
}

TEST(FntWriter, BoxGlyph) {
    EXPECT_EQ(FntBoxGlyph(12),
              (Bytes{0xFF, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0xFF}));
    EXPECT_EQ(FntBoxGlyph(16), (Bytes{0, 0, 0xFF, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81,
                                      0x81, 0x81, 0xFF, 0, 0}));
    EXPECT_EQ(FntBoxGlyph(5), (Bytes{0xFF, 0x81, 0x81, 0x81, 0xFF}));
    // Fonts lower than the box's edges keep its height.
    EXPECT_EQ(FntBoxGlyph(1), (Bytes{0xFF}));
    EXPECT_TRUE(FntBoxGlyph(0).empty());
}

TEST(FntWriter, HeaderFields) {
    Glyphs g = threeLetters();
    FntOptions o;
    o.faceName = "Tiny";
    o.bold = true;
    o.italic = true;
    o.strikeout = true;
    o.charset = FntCharset::Oem;
    const Bytes b = BuildFnt(g.list, o, 9);
    EXPECT_EQ(u16(b, 0), 0x0300);
    EXPECT_EQ(u32(b, 2), b.size());
    EXPECT_EQ(u16(b, 66), 0);
    EXPECT_EQ(u16(b, 68), 12 * 72 / 96);
    EXPECT_EQ(u16(b, 70), 96);
    EXPECT_EQ(u16(b, 72), 96);
    EXPECT_EQ(u16(b, 74), 9);
    EXPECT_EQ(b[80], 1);
    EXPECT_EQ(b[81], 0);
    EXPECT_EQ(b[82], 1);
    EXPECT_EQ(u16(b, 83), 700);
    EXPECT_EQ(b[85], 255);
    EXPECT_EQ(u16(b, 86), 0);
    EXPECT_EQ(u16(b, 88), 12);
    EXPECT_EQ(b[90], 1);
    EXPECT_EQ(u16(b, 91), (6 + 9 + 4) / 3);
    EXPECT_EQ(u16(b, 93), 9);
    EXPECT_EQ(b[95], 0x20);
    EXPECT_EQ(b[96], 0xFF);
    EXPECT_EQ(u16(b, 99), 2);
    EXPECT_EQ(u32(b, 105), 1492u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[1492])), "Tiny");
    EXPECT_EQ(u32(b, 113), 1492u + 5);
    EXPECT_EQ(u32(b, 118), 0x12u);

    o.fixedWidth = true;
    o.bold = false;
    o.charset = FntCharset::Default;
    const Bytes f = BuildFnt(g.list, o, 9);
    EXPECT_EQ(u16(f, 86), 9);
    EXPECT_EQ(u16(f, 91), 9);
    EXPECT_EQ(u16(f, 83), 400);
    EXPECT_EQ(f[85], 1);
    EXPECT_EQ(u32(f, 118), 0x11u);
}

TEST(FntWriter, SlotsWithoutPreservation) {
    Glyphs g = threeLetters();
    const Bytes b = BuildFnt(g.list, {}, 0);
    EXPECT_EQ(b[97], 0); // default character: the first glyph written
    EXPECT_EQ(slotWidth(b, 0), 6);
    EXPECT_EQ(slotWidth(b, 1), 9);
    EXPECT_EQ(slotWidth(b, 2), 4);
    // The glyphs follow the face name in order: 1 stripe, 2 stripes, 1 stripe of 12 rows.
    EXPECT_EQ(slotOffset(b, 0), 1493u);
    EXPECT_EQ(slotOffset(b, 1), 1493u + 12);
    EXPECT_EQ(slotOffset(b, 2), 1493u + 36);
    // Every other slot shares one box, written once after the pictures.
    const std::uint32_t box = slotOffset(b, 3);
    EXPECT_EQ(box, 1493u + 48);
    for (int s = 3; s < fnt::Slots; ++s) {
        EXPECT_EQ(slotWidth(b, s), 8);
        EXPECT_EQ(slotOffset(b, s), box);
    }
    EXPECT_EQ(b.size(), box + 12);
    EXPECT_EQ(Bytes(b.begin() + box, b.end()), FntBoxGlyph(12));
}

TEST(FntWriter, SlotsWithPreservation) {
    Glyphs g = threeLetters();
    g.add(picture(0x1234, 5, 12)); // outside 0x20..0xFF: the first free slot after the box
    FntOptions o;
    o.preserveCodes = true;
    const Bytes b = BuildFnt(g.list, o, 0);
    EXPECT_EQ(b[97], 0);
    // The box is written first, for the space.
    EXPECT_EQ(slotWidth(b, 0), 8);
    EXPECT_EQ(slotOffset(b, 0), 1493u);
    EXPECT_EQ(slotWidth(b, 0x41 - 0x20), 6);
    EXPECT_EQ(slotOffset(b, 0x41 - 0x20), 1493u + 12);
    EXPECT_EQ(slotWidth(b, 0x43 - 0x20), 4);
    EXPECT_EQ(slotWidth(b, 1), 5);
    for (int s : {2, 3, 0x40 - 0x20, 0x44 - 0x20, fnt::Slots - 1})
        EXPECT_EQ(slotOffset(b, s), 1493u) << s;

    // With a space among the pictures no box is needed for it, and the space is the default.
    g.add(picture(0x20, 3, 12));
    const Bytes withSpace = BuildFnt(g.list, o, 0);
    EXPECT_EQ(slotWidth(withSpace, 0), 3);
    EXPECT_EQ(withSpace[97], 0x41 - 0x20); // 0x41 is written first, in list order
    EXPECT_EQ(slotWidth(withSpace, 1), 5);
}

TEST(FntWriter, BitmapStripesAndHeightLimit) {
    // 10 wide, 3 high: ink in column 0 of row 0, column 9 of row 2, all of row 1.
    auto p = std::make_unique<CPicture>();
    p->Create(10, 3, 0x41);
    p->m_nDepth = 16;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x)
            p->SetPixel(x, y, (y == 1 || (x == 0 && y == 0) || (x == 9 && y == 2)) ? 0 : 0xFFFF);
    auto tall = picture(0x42, 8, 5);
    std::vector<const CPicture*> list{p.get(), tall.get()};
    FntOptions o;
    const Bytes b = BuildFnt(list, o, 0);
    const std::size_t at = slotOffset(b, 0);
    // Stripe 0: rows 0..4, then stripe 1; rows beyond the picture's 3 are empty.
    EXPECT_EQ(Bytes(b.begin() + at, b.begin() + at + 10),
              (Bytes{0x80, 0xFF, 0x00, 0, 0, 0x00, 0xC0, 0x40, 0, 0}));
    o.heightLimit = 2;
    const Bytes cropped = BuildFnt(list, o, 0);
    EXPECT_EQ(u16(cropped, 88), 2);
    const std::size_t c = slotOffset(cropped, 0);
    EXPECT_EQ(Bytes(cropped.begin() + c, cropped.begin() + c + 4), (Bytes{0x80, 0xFF, 0x00, 0xC0}));
    // Grey-index pictures: index 0 is ink, 3 (white) is not.
    CPicture grey;
    grey.Create(2, 1, 0x20);
    grey.SetPixel(1, 0, 3);
    const CPicture* one[] = {&grey};
    const Bytes g = BuildFnt(one, {}, 0);
    EXPECT_EQ(g[slotOffset(g, 0)], 0x80);
}

TEST(FntWriter, ZeroWidthAndOverflowPictures) {
    Glyphs g;
    g.add(picture(0x41, 0, 8));
    for (int i = 0; i < 230; ++i)
        g.add(picture(0x100 + i, 3, 8));
    const Bytes b = BuildFnt(g.list, {}, 0);
    // The empty picture takes no slot; only 224 of the rest fit, so no box is needed.
    for (int s = 0; s < fnt::Slots; ++s)
        EXPECT_EQ(slotWidth(b, s), 3) << s;
    EXPECT_EQ(b.size(), 1493u + 224 * 8);
}

#if PIXELON_HAVE_FREETYPE
// What FreeType's Windows FNT driver reads back, compared with the pictures slot by slot.
TEST(FntWriter, FreeTypeReadsEveryGlyph) {
    Glyphs g;
    for (int id = 0x41; id < 0x41 + 40; ++id)
        g.add(picture(id, 3 + id % 13, 9 + id % 6, id));
    FntOptions o;
    o.faceName = "Peer Test";
    o.heightLimit = 12;
    test::TempDir dir;
    const auto path = dir.path / "peer.fnt";
    for (bool preserve : {false, true}) {
        o.preserveCodes = preserve;
        WriteFntFile(path, g.list, o, 10);
        FT_Library library;
        ASSERT_EQ(FT_Init_FreeType(&library), 0);
        FT_Face face;
        ASSERT_EQ(FT_New_Face(library, path.c_str(), 0, &face), 0);
        FT_WinFNT_HeaderRec header;
        ASSERT_EQ(FT_Get_WinFNT_Header(face, &header), 0);
        EXPECT_EQ(header.version, 0x300);
        EXPECT_EQ(header.ascent, 10);
        EXPECT_EQ(header.pixel_height, 12);
        EXPECT_STREQ(face->family_name, "Peer Test");
        EXPECT_EQ(face->num_glyphs, fnt::Slots + 1);
        for (std::size_t i = 0; i < g.list.size(); ++i) {
            const CPicture& p = *g.list[i];
            const int slot = preserve ? p.m_nId - 0x20 : int(i);
            ASSERT_EQ(FT_Load_Glyph(face, FT_UInt(slot + 1), FT_LOAD_DEFAULT), 0);
            const FT_Bitmap& bitmap = face->glyph->bitmap;
            ASSERT_EQ(int(bitmap.width), p.m_nWidth) << slot;
            ASSERT_EQ(int(bitmap.rows), 12);
            EXPECT_EQ(face->glyph->advance.x >> 6, p.m_nWidth);
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < p.m_nWidth; ++x) {
                    const bool ink = bitmap.buffer[y * bitmap.pitch + x / 8] & (0x80 >> (x % 8));
                    const bool expected = y < p.m_nHeight && p.GetPixel(x, y) == 0;
                    ASSERT_EQ(ink, expected) << "slot " << slot << " at " << x << "," << y;
                }
        }
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
}
#endif

CPortfolio portfolioOf(std::initializer_list<std::pair<int, int>> idAndHeight) {
    CPortfolio portfolio;
    portfolio.m_strName = "Tiny";
    for (auto [id, height] : idAndHeight)
        portfolio.m_pictures.push_back(picture(id, 5, height));
    return portfolio;
}

TEST(FntExport, Proposals) {
    EXPECT_EQ(ProposeFntFileName("/home/u/set.r", "x"), "/home/u/set.fnt");
    EXPECT_EQ(ProposeFntFileName("/home/u/set.pfo", "x"), "/home/u/set.fnt");
    EXPECT_EQ(ProposeFntFileName("/home/u.v/set", "x"), "/home/u.v/set.fnt");
    EXPECT_EQ(ProposeFntFileName("", "Glyphs"), "Glyphs.fnt");

    CPortfolio portfolio = portfolioOf({{1, 12}, {2, 10}, {3, 12}, {4, 10}, {5, 16}});
    CAppSettings settings;
    settings.m_bDefaultWinFontItalic = true;
    settings.m_nDefaultWinFontType = 1;
    FntExportState s = ProposeFntExport(portfolio, "/tmp/set.pfo", {}, settings);
    EXPECT_EQ(s.fileName, "/tmp/set.fnt");
    EXPECT_EQ(s.fontName, "Tiny");
    EXPECT_TRUE(s.italic);
    EXPECT_EQ(s.fontType, 1);
    EXPECT_EQ(s.maximumText(), "Maximum Height: 16");
    EXPECT_EQ(s.medianText(), "Median Height: 10"); // 10 and 12 tie: the smaller
    EXPECT_EQ(s.heightLimit, 16);
    EXPECT_TRUE(s.exportAll);
    EXPECT_FALSE(s.selectionEnabled);
    EXPECT_EQ(s.selectionCaption, "Selection");

    const int one[] = {4};
    s = ProposeFntExport(portfolio, "", one, settings);
    EXPECT_TRUE(s.exportAll);
    EXPECT_TRUE(s.selectionEnabled);
    EXPECT_EQ(s.selectionCaption, "Selection (1 image)");

    const int two[] = {0, 2};
    s = ProposeFntExport(portfolio, "", two, settings);
    EXPECT_FALSE(s.exportAll);
    EXPECT_EQ(s.selectionCaption, "Selection (2 images)");
    EXPECT_EQ(s.maximumHeight, 12);
    EXPECT_EQ(s.medianHeight, 12);

    s.bold = true;
    s.preserve = true;
    s.fontType = 2;
    StoreFntOptions(s, settings);
    EXPECT_TRUE(settings.m_bDefaultWinFontBold);
    EXPECT_TRUE(settings.m_bDefaultWinFontPreserve20toFF);
    EXPECT_EQ(settings.m_nDefaultWinFontType, 2);
    EXPECT_EQ(s.options().charset, FntCharset::Default);
}

TEST(FntExport, AllTakesTheFirst224) {
    CPortfolio portfolio;
    for (int id = 1; id <= 300; ++id)
        portfolio.m_pictures.push_back(picture(id, 2, 2));
    EXPECT_EQ(FntSource(portfolio, {}, true).size(), 224u);
    const int picked[] = {250, 3};
    auto selection = FntSource(portfolio, picked, false);
    ASSERT_EQ(selection.size(), 2u);
    EXPECT_EQ(selection[0]->m_nId, 4);
}

TEST(FntExport, DuplicatesStopTheExport) {
    CPortfolio portfolio = portfolioOf({{0x41, 12}, {0x41, 12}, {0x42, 12}});
    test::TempDir dir;
    FntExportState s = ProposeFntExport(portfolio, (dir.path / "d.pfo").string(), {}, {});
    RecordingFeedback feedback;
    EXPECT_FALSE(ExportWindowsFont(portfolio, {}, s, feedback));
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_TRUE(feedback.messages()[0].text.find("defined in resource.") != std::string::npos);
    EXPECT_TRUE(feedback.messages()[0].text.ends_with("#: 0041 (00065)"));
    EXPECT_EQ(feedback.messages()[1].text, "Windows FNT file not generated.");
    EXPECT_EQ(feedback.messages()[1].icon, MessageIcon::Information);
    EXPECT_FALSE(std::filesystem::exists(s.fileName));

    // The selection without the duplicate is exported; its warnings would name "selection".
    const int picked[] = {1, 2};
    s.exportAll = false;
    feedback.clear();
    EXPECT_TRUE(ExportWindowsFont(portfolio, picked, s, feedback));
    EXPECT_TRUE(feedback.messages().empty());
    EXPECT_TRUE(std::filesystem::exists(s.fileName));
}

TEST(FntExport, UnwritableFileKeepsThePreviousOne) {
    CPortfolio portfolio = portfolioOf({{0x41, 12}});
    test::TempDir dir;
    FntExportState s = ProposeFntExport(portfolio, "", {}, {});
    s.fileName = (dir.path / "missing" / "x.fnt").string();
    RecordingFeedback feedback;
    EXPECT_FALSE(ExportWindowsFont(portfolio, {}, s, feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_TRUE(feedback.messages()[0].text.starts_with("Unable to save file.\n"));
    EXPECT_GT(feedback.messages()[0].text.size(), std::string("Unable to save file.\n").size());
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);

    // An empty portfolio has nothing to make a font of.
    CPortfolio empty;
    feedback.clear();
    s.fileName = (dir.path / "empty.fnt").string();
    EXPECT_FALSE(ExportWindowsFont(empty, {}, s, feedback));
    EXPECT_EQ(feedback.messages().back().text, "Windows FNT file not generated.");
    EXPECT_FALSE(std::filesystem::exists(s.fileName));
}

} // namespace
} // namespace pixelon
