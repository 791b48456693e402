#include <gtest/gtest.h>

#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "fonts/FontGlyphs.h"
#include "platform/Feedback.h"

namespace pixelon {
namespace {

// Draws each character as a bar `lean` columns to the right of its advance, one row a column,
// the way an italic hook overhangs; the space draws nothing.
class LeaningFont : public GlyphRenderer {
public:
    int width = 4;
    int lean = 0;
    bool slanted = false;
    int advance(std::uint8_t) const override { return width; }
    int height() const override { return 6; }
    bool italic() const override { return slanted; }
    void draw(Surface& s, std::uint8_t c, Colour colour) const override {
        if (c == ' ')
            return;
        for (int x = 0; x < width + lean; ++x)
            s.setPixel(x, x % 6, colour);
    }
};

TEST(FontGlyphs, WidthScanOfLeaningGlyphs) {
    LeaningFont font;
    font.lean = 2;
    Surface drawn = DrawCharacter(font, 'f', 0);
    EXPECT_EQ(drawn.width(), 8);
    EXPECT_EQ(drawn.height(), 6);
    // Upright: the advance. Italic: as far as the ink reaches.
    EXPECT_EQ(GlyphWidth(drawn, 4, false, 'f'), 4);
    EXPECT_EQ(GlyphWidth(drawn, 4, true, 'f'), 6);
    // Light grey below the threshold counts as ink, lighter does not.
    Surface grey(8, 6);
    grey.setPixel(6, 3, 0xE8E8E7);
    EXPECT_EQ(GlyphWidth(grey, 4, true, 'f'), 7);
    grey.setPixel(6, 3, 0xE8E8E8);
    EXPECT_EQ(GlyphWidth(grey, 4, true, 'f'), 1);
    // The space keeps its advance; column 0 alone is never counted.
    EXPECT_EQ(GlyphWidth(Surface(8, 6), 4, true, ' '), 4);
    Surface firstColumn(8, 6);
    firstColumn.setPixel(0, 0, 0);
    EXPECT_EQ(GlyphWidth(firstColumn, 4, true, 'i'), 1);
}

TEST(FontGlyphs, CharacterSetChoice) {
    CharacterSetChoice choice;
    std::vector<int> codes = choice.codes();
    ASSERT_EQ(codes.size(), 224u);
    EXPECT_EQ(codes.front(), 0x20);
    EXPECT_EQ(codes.back(), 0xFF);
    choice.single = true;
    choice.singleCode = "0041";
    EXPECT_EQ(choice.codes(), std::vector<int>{0x41});
    choice.singleCode = "01E9";
    EXPECT_EQ(choice.codes(), std::vector<int>{0xE9});
    choice.single = false;
    choice.rangeFirst = "0050";
    choice.rangeLast = "0141"; // reduced to its low byte, below the start
    EXPECT_TRUE(choice.codes().empty());
    choice.rangeLast = "0152";
    EXPECT_EQ(choice.codes().size(), 3u);

    EXPECT_EQ(TenthsDigit("5"), 5);
    EXPECT_EQ(TenthsDigit("a"), 9);
    EXPECT_EQ(TenthsDigit("-"), 0);
    EXPECT_EQ(TenthsDigit(""), 0);
    EXPECT_EQ(ChosenPointSizeText(105), "Font Point-Size you've chosen: 10");
    // 10.5 points at 96 dots per inch: (105 * 96 / 72) / 10 = 14.
    EXPECT_EQ(PixelHeightText(105, 96), "The resultant Font Height in Pixel size is about: 14 + 3");
}

TEST(FontGlyphs, InsertsFromTheLastCodeDown) {
    // Reading a portfolio elsewhere in this program may have left another map current.
    const PaletteMap* before = CurrentMap;
    CurrentMap = &DirectMap;
    LeaningFont font;
    font.slanted = true;
    font.lean = 3;
    CPortfolio portfolio;
    auto existing = std::make_unique<CPicture>();
    existing->Create(1, 1, 0x21);
    CPicture* old = existing.get();
    portfolio.m_pictures.push_back(std::move(existing));
    RecordingFeedback feedback;
    std::vector<std::pair<int, int>> measured;
    const int added = InsertFontCharacters(portfolio, font, {0x20, 0x21, 0x22}, 0, feedback,
                                           [&](int w, int h) { measured.emplace_back(w, h); });
    EXPECT_EQ(added, 3);
    ASSERT_EQ(portfolio.Count(), 4);
    EXPECT_EQ(portfolio.Picture(0).m_nId, 0x20);
    EXPECT_EQ(&portfolio.Picture(1), old); // same ID: added beside, not replaced
    EXPECT_EQ(portfolio.Picture(2).m_nId, 0x21);
    const CPicture& space = portfolio.Picture(0);
    EXPECT_EQ(space.m_nWidth, 4);
    EXPECT_EQ(space.m_nHeight, 6);
    const CPicture& quote = portfolio.Picture(3);
    EXPECT_EQ(quote.m_nWidth, 7);
    // Taken under the direct map: ink is black, the rest white, every pixel opaque.
    EXPECT_EQ(quote.GetPixel(0, 0), 0x0000);
    EXPECT_EQ(quote.GetPixel(1, 0), 0xFFFF);
    EXPECT_EQ(quote.GetPixel(6, 0), 0x0000);
    EXPECT_EQ(quote.GetMask(1, 0), 1);
    EXPECT_EQ(measured.size(), 3u);
    EXPECT_EQ(feedback.progressEvents().front(), "open Processing|Inserting font...");
    EXPECT_EQ(feedback.progressEvents().back(), "close");

    // Under the grey map the pictures hold grey indices.
    CurrentMap = &GreyMap;
    CPortfolio grey;
    InsertFontCharacters(grey, font, {0x22}, 0, feedback);
    EXPECT_EQ(grey.Picture(0).GetPixel(0, 0), 0);
    EXPECT_EQ(grey.Picture(0).GetPixel(1, 0), 3);
    EXPECT_EQ(grey.Picture(0).m_nDepth, 2);
    CurrentMap = before;
}

TEST(FontGlyphs, CharacterWithoutAdvance) {
    LeaningFont font;
    font.width = 0;
    font.slanted = true;
    CPortfolio portfolio;
    RecordingFeedback feedback;
    EXPECT_EQ(InsertFontCharacters(portfolio, font, {0x01}, 0, feedback), 1);
    EXPECT_EQ(portfolio.Picture(0).m_nWidth, 1);
    EXPECT_EQ(portfolio.Picture(0).m_nHeight, 6);
}

} // namespace
} // namespace pixelon
