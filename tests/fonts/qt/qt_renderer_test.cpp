// Characters of a real system font drawn through Qt on the offscreen platform.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>

#include <cstdlib>
#include <memory>

#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "fonts/FontGlyphs.h"
#include "fonts/qt/QtGlyphRenderer.h"
#include "platform/Feedback.h"
#include "tests/support/PeerTools.h"

namespace pixelon {
namespace {

class QtRenderer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QGuiApplication::instance())
            return;
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fonts_qt_tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    // Qt's application must end before the program's static objects do.
    static void TearDownTestSuite() { app.reset(); }
    static bool hasFamily(const char* family) {
        return QFontDatabase::families().contains(QString(family));
    }
    static inline std::unique_ptr<QGuiApplication> app;
};

TEST_F(QtRenderer, DrawsInkAndKeepsTheAdvance) {
    if (!hasFamily("DejaVu Sans"))
        PIXELON_SKIP_WITHOUT_PEER("the font DejaVu Sans");
    SystemFont chosen{"DejaVu Sans", 120};
    auto font = MakeQtGlyphRenderer(chosen, 96);
    const int w = font->advance('A');
    EXPECT_GT(w, 5);
    EXPECT_GT(font->height(), 12);
    const Surface drawn = DrawCharacter(*font, 'A', 0);
    int ink = 0;
    for (Colour c : drawn.pixels())
        ink += c == 0 ? 1 : c == 0xFFFFFF ? 0 : 1000; // no anti-aliased greys
    EXPECT_GT(ink, 10);
    EXPECT_LT(ink, 1000);
    EXPECT_EQ(GlyphWidth(drawn, w, font->italic(), 'A'), w);
    // A larger size at the same resolution is taller.
    chosen.tenthsOfPoint = 240;
    EXPECT_GT(MakeQtGlyphRenderer(chosen, 96)->height(), font->height());
}

TEST_F(QtRenderer, ItalicHookOverhangsItsAdvance) {
    if (!hasFamily("DejaVu Serif"))
        PIXELON_SKIP_WITHOUT_PEER("the font DejaVu Serif");
    SystemFont chosen{"DejaVu Serif", 240};
    chosen.italic = true;
    auto font = MakeQtGlyphRenderer(chosen, 96);
    ASSERT_TRUE(font->italic());
    const int advance = font->advance('f');
    EXPECT_GT(GlyphWidth(DrawCharacter(*font, 'f', 0), advance, true, 'f'), advance);
    EXPECT_EQ(GlyphWidth(DrawCharacter(*font, ' ', 0), font->advance(' '), true, ' '),
              font->advance(' '));
}

TEST_F(QtRenderer, DefaultRangeBecomes224Glyphs) {
    if (!hasFamily("DejaVu Sans Mono"))
        PIXELON_SKIP_WITHOUT_PEER("the font DejaVu Sans Mono");
    auto font = MakeQtGlyphRenderer({"DejaVu Sans Mono", 100}, 96);
    CurrentMap = &DirectMap;
    CPortfolio portfolio;
    RecordingFeedback feedback;
    EXPECT_EQ(InsertFontCharacters(portfolio, *font, CharacterSetChoice().codes(), rgb(255, 0, 0),
                                   feedback),
              224);
    ASSERT_EQ(portfolio.Count(), 224);
    EXPECT_EQ(portfolio.Picture(0).m_nId, 0x20);
    EXPECT_EQ(portfolio.Picture(223).m_nId, 0xFF);
    EXPECT_EQ(portfolio.Picture(0xE9 - 0x20).m_nId, 0xE9);
    // The chosen colour: some pixel of "A" is pure red.
    const CPicture& a = portfolio.Picture(0x41 - 0x20);
    EXPECT_EQ(a.m_nHeight, font->height());
    bool red = false;
    for (int y = 0; y < a.m_nHeight; ++y)
        for (int x = 0; x < a.m_nWidth; ++x)
            red = red || a.GetPixel(x, y) == toRgb565(rgb(255, 0, 0));
    EXPECT_TRUE(red);
}

// Text shaping hides the soft hyphen (U+00AD), while the font has a visible glyph for it and
// the character set wants each code's glyph. In DejaVu that glyph is the hyphen's.
TEST_F(QtRenderer, TheSoftHyphenIsDrawnWithItsOwnGlyph) {
    for (const char* family : {"DejaVu Sans", "DejaVu Serif"}) {
        if (!hasFamily(family))
            GTEST_SKIP() << family << " is not installed";
        for (int tenths : {80, 120, 240}) {
            SCOPED_TRACE(std::string(family) + " " + std::to_string(tenths));
            auto font = MakeQtGlyphRenderer({family, tenths}, 96);
            const Surface soft = DrawCharacter(*font, 0xAD, 0);
            int ink = 0;
            for (Colour c : soft.pixels())
                ink += c == 0;
            EXPECT_GT(ink, 0);
            EXPECT_EQ(font->advance(0xAD), font->advance('-'));
            EXPECT_EQ(soft, DrawCharacter(*font, '-', 0));
        }
    }
}

TEST_F(QtRenderer, ResolutionOfTheScreen) {
    EXPECT_GT(ScreenDotsPerInch(), 0);
}

} // namespace
} // namespace pixelon
