#include "fonts/FontChoice.h"

#include <gtest/gtest.h>

namespace pixelon {
namespace {

// The styles of a monospace family as the font database lists them, slanted one first.
const std::vector<FontStyle> kMono = {{"Oblique", true, 400},
                                      {"Book", false, 400},
                                      {"Bold Oblique", true, 700},
                                      {"Bold", false, 700}};

TEST(FontChoice, NearestStyleKeepsTheSlantBeforeTheWeight) {
    EXPECT_EQ(NearestFontStyle(kMono, false, NormalFontWeight), 1);
    EXPECT_EQ(NearestFontStyle(kMono, false, BoldFontWeight), 3);
    EXPECT_EQ(NearestFontStyle(kMono, true, NormalFontWeight), 0);
    EXPECT_EQ(NearestFontStyle(kMono, true, 800), 2);
    // Semi-bold lies nearer to bold; equally near keeps the earlier style.
    EXPECT_EQ(NearestFontStyle(kMono, false, 600), 3);
    EXPECT_EQ(NearestFontStyle(kMono, false, 550), 1);
    // A family with only slanted styles still gives one; none gives -1.
    EXPECT_EQ(NearestFontStyle({{"Italic", true, 400}}, false, NormalFontWeight), 0);
    EXPECT_EQ(NearestFontStyle({}, false, NormalFontWeight), -1);
}

TEST(FontChoice, OpensOnTheLastFontElseTheFixedFontAtAReadableSize) {
    SystemFont last;
    last.family = "DejaVu Serif";
    last.tenthsOfPoint = 245;
    last.bold = true;
    last.underline = true;
    const SystemFont again = InitialChooserFont(last, "DejaVu Sans Mono", 9);
    EXPECT_EQ(again.family, "DejaVu Serif");
    EXPECT_EQ(again.tenthsOfPoint, 245);
    EXPECT_TRUE(again.bold && again.underline);

    const SystemFont fixed = InitialChooserFont(std::nullopt, "DejaVu Sans Mono", 9);
    EXPECT_EQ(fixed.family, "DejaVu Sans Mono");
    EXPECT_EQ(fixed.tenthsOfPoint, 100);
    EXPECT_FALSE(fixed.bold || fixed.italic || fixed.underline || fixed.strikeout);
    EXPECT_EQ(InitialChooserFont(std::nullopt, "Mono", 11).tenthsOfPoint, 110);
    EXPECT_EQ(InitialChooserFont(std::nullopt, "Mono", 16).tenthsOfPoint, 120);
    EXPECT_EQ(InitialChooserFont(std::nullopt, "Mono", -1).tenthsOfPoint, 100); // pixel-sized
}

} // namespace
} // namespace pixelon
