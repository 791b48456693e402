#pragma once

#include <cstdint>
#include <functional>

#include "platform/Surface.h"

namespace pixelon {

// Grey level 0..255: floor((76 R + 150 G + 29 B) / 255). Every brightness comparison uses it.
constexpr int grey(Colour c) {
    return (76 * redOf(c) + 150 * greenOf(c) + 29 * blueOf(c)) / 255;
}

constexpr std::uint16_t toRgb565(Colour c) {
    return std::uint16_t((redOf(c) >> 3) << 11 | (greenOf(c) >> 2) << 5 | (blueOf(c) >> 3));
}

constexpr Colour fromRgb565(std::uint32_t v) {
    int r5 = int(v >> 11 & 0x1F), g6 = int(v >> 5 & 0x3F), b5 = int(v & 0x1F);
    return rgb(r5 * 255 / 31, g6 * 255 / 63, b5 * 255 / 31);
}

// Three bits of red, three of green, two of blue, red highest.
constexpr int cubeIndex(Colour c) {
    return (redOf(c) >> 5) << 5 | (greenOf(c) >> 5) << 2 | (blueOf(c) >> 6);
}

// The phone colours. adaptPhoneColours replaces them with what the screen can show.
extern Colour colourBlack;
extern Colour colourDarkGrey;
extern Colour colourLightGrey;
extern Colour colourWhite;
extern Colour TransparentKey;

// How a colour becomes an index and an index a colour. `count` 65536 means 16-bit direct colour.
struct PaletteMap {
    const Colour* colours = nullptr;
    const Colour* thresholds = nullptr; // the first count - 1 are breakpoints
    int count = 0;
};

extern const PaletteMap MonoMap;
extern const PaletteMap GreyMap;
extern const PaletteMap CubeMap;
extern const PaletteMap DirectMap;

// The map used by imports, screen grabs and drawing when the caller names none.
extern const PaletteMap* CurrentMap;

// The 256 colours of the colour cube.
const Colour* cubePalette();

// An index of `map` for colour `c` (an RGB565 value for direct and cube maps); -1 for a map
// without entries.
int mapIndex(Colour c, const PaletteMap& map);

// The colour of an index: fromRgb565 for maps of more than 4 entries, else colours[index].
Colour mapColour(int index, const PaletteMap& map);

// Replaces the five phone colours with the nearest colours the screen shows and rebuilds the
// maps that hold them.
void adaptPhoneColours(const std::function<Colour(Colour)>& nearestColour);

// Restores the phone colours as defined (tests use it to undo an adaptation).
void resetPhoneColours();

// The number of bits a map's indices need: 1, 2, 8 or 16.
constexpr int depthOfCount(int count) {
    return count <= 2 ? 1 : count <= 4 ? 2 : count <= 256 ? 8 : 16;
}

} // namespace pixelon
