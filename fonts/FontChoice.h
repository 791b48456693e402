#pragma once

// Which font and style the system font chooser shows: where it opens, and which style a family
// gets when the user picks another family. Plain C++ so tests can check it without a window.

#include <optional>
#include <string>
#include <vector>

#include "fonts/FontGlyphs.h"

namespace pixelon {

// One style of a font family as the chooser lists it ("Book", "Oblique", "Bold").
struct FontStyle {
    std::string name;
    bool slanted = false; // italic or oblique
    int weight = 400;     // 400 normal, 700 bold
};

inline constexpr int NormalFontWeight = 400;
inline constexpr int BoldFontWeight = 700;

// The style nearest to a slant and weight: the same slant first, then the nearest weight, then
// the earlier in the list. -1 for a family without styles. A family whose first listed style
// is slanted thus still opens upright when upright was asked for.
int NearestFontStyle(const std::vector<FontStyle>& styles, bool slanted, int weight);

// The chooser's smallest and largest first size for the desktop's fixed font, in points.
inline constexpr int ChooserMinPoints = 10;
inline constexpr int ChooserMaxPoints = 12;

// The font the chooser opens on: the last one used, else the desktop's fixed font, upright and
// of normal weight, at its own size kept within 10..12 points (10 where the size is unknown,
// 0 or less).
SystemFont InitialChooserFont(const std::optional<SystemFont>& lastUsed,
                              const std::string& fixedFamily, int fixedPointSize);

} // namespace pixelon
