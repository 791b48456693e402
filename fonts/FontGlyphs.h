#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Surface.h"

namespace pixelon {

class CPortfolio;
class Feedback;

// A font as the font chooser returns it.
struct SystemFont {
    std::string family;
    int tenthsOfPoint = 100;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

// The platform's text output for one chosen font: what drawing a character needs.
class GlyphRenderer {
public:
    virtual ~GlyphRenderer() = default;
    // The advance width of the one-character string.
    virtual int advance(std::uint8_t character) const = 0;
    // The font's line height (ascent plus descent).
    virtual int height() const = 0;
    virtual bool italic() const = 0;
    // Draws the character with its cell's top-left corner at (0, 0) in `colour`.
    virtual void draw(Surface& surface, std::uint8_t character, Colour colour) const = 0;
};

// The choices of the "Select character set from Font" dialog.
struct CharacterSetChoice {
    bool single = false;
    std::string rangeFirst = "0020";
    std::string rangeLast = "00FF";
    std::string singleCode = "0030";
    std::string tenths = "0";

    // The character codes to draw in the order they are listed (first to last), each reduced
    // to its low byte; empty when the range starts above its end.
    std::vector<int> codes() const;
};

// The tenths field's value: its digit, 9 for a character above '9', else 0.
int TenthsDigit(std::string_view field);

// "Font Point-Size you've chosen: %d" with the size in whole points.
std::string ChosenPointSizeText(int tenthsOfPoint);
// "The resultant Font Height in Pixel size is about: %d + 3" for a size in tenths of a point
// drawn at `dotsPerInch` vertical resolution.
std::string PixelHeightText(int tenthsOfPoint, int dotsPerInch);

// The lightest colour value that still counts as ink when the width of a leaning glyph is
// measured.
inline constexpr Colour InkThreshold = 0xE8E8E8;

// The picture width for a character drawn on a surface of at least 2 * advance columns: the
// advance, except for italic characters other than the space, whose width reaches to the
// rightmost column (below 2 * advance, above 0) that holds ink; 1 when none does.
int GlyphWidth(const Surface& drawn, int advance, bool italic, std::uint8_t character);

// Draws one character on a white surface 2 * advance wide and the font's height high.
Surface DrawCharacter(const GlyphRenderer& renderer, std::uint8_t character, Colour colour);

// Inserts one picture per code, from the last code down, under the progress window
// "Processing" / "Inserting font...": each the character drawn in `colour`, as wide as
// GlyphWidth and as high as the font, taken under CurrentMap, with the code as ID. Pictures
// with the same ID stay beside the new ones. `measured` (optional) receives each character's
// advance and height as it is drawn. Returns the number of pictures added.
int InsertFontCharacters(CPortfolio& portfolio, const GlyphRenderer& renderer,
                         const std::vector<int>& codes, Colour colour, Feedback& feedback,
                         const std::function<void(int advance, int height)>& measured = {});

} // namespace pixelon
