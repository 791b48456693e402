#include "core/Colours.h"

#include <array>
#include <cstdlib>

namespace pixelon {

namespace {

constexpr Colour definedBlack = rgb(0, 0, 0);
constexpr Colour definedDarkGrey = rgb(107, 110, 82);
constexpr Colour definedLightGrey = rgb(181, 182, 173);
constexpr Colour definedWhite = rgb(255, 255, 255);
constexpr Colour definedTransparentKey = rgb(156, 4, 90);

std::array<Colour, 2> monoColours{definedBlack, definedWhite};
std::array<Colour, 4> greyColours{definedBlack, definedDarkGrey, definedLightGrey, definedWhite};
constexpr std::array<Colour, 3> greyThresholds{rgb(50, 50, 50), rgb(150, 150, 150),
                                               rgb(232, 232, 232)};

constexpr std::array<Colour, 256> makeCube() {
    constexpr int L8[8] = {0, 37, 73, 110, 146, 183, 219, 255};
    constexpr int L4[4] = {0, 85, 170, 255};
    std::array<Colour, 256> cube{};
    for (int i = 0; i < 256; ++i)
        cube[std::size_t(i)] = rgb(L8[i >> 5], L8[(i >> 2) & 7], L4[i & 3]);
    return cube;
}
constexpr std::array<Colour, 256> cubeColours = makeCube();

void rebuildMaps() {
    monoColours = {colourBlack, colourWhite};
    greyColours = {colourBlack, colourDarkGrey, colourLightGrey, colourWhite};
}

} // namespace

Colour colourBlack = definedBlack;
Colour colourDarkGrey = definedDarkGrey;
Colour colourLightGrey = definedLightGrey;
Colour colourWhite = definedWhite;
Colour TransparentKey = definedTransparentKey;

const PaletteMap MonoMap{monoColours.data(), nullptr, 2};
const PaletteMap GreyMap{greyColours.data(), greyThresholds.data(), 4};
const PaletteMap CubeMap{cubeColours.data(), cubeColours.data(), 256};
const PaletteMap DirectMap{nullptr, nullptr, 65536};

const PaletteMap* CurrentMap = &DirectMap;

const Colour* cubePalette() {
    return cubeColours.data();
}

int mapIndex(Colour c, const PaletteMap& map) {
    if (map.count == 65536)
        return toRgb565(c);
    if (map.thresholds) {
        if (map.count > 4)
            return toRgb565(c);
        int g = grey(c);
        for (int i = 0; i < map.count - 1; ++i)
            if (grey(map.thresholds[i]) >= g)
                return i;
        return map.count - 1;
    }
    if (!map.colours || map.count <= 0)
        return -1;
    // Nearest grey, measured on the whole 32-bit values; the lowest index wins a tie.
    std::int64_t d = std::int64_t(grey(c)) * 0x010101;
    int best = 0;
    std::int64_t bestDistance = std::llabs(d - std::int64_t(map.colours[0]));
    for (int i = 1; i < map.count; ++i) {
        std::int64_t distance = std::llabs(d - std::int64_t(map.colours[i]));
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

Colour mapColour(int index, const PaletteMap& map) {
    if (map.count == 65536 || map.count > 4 || !map.colours)
        return fromRgb565(std::uint32_t(index));
    if (index < 0 || index >= map.count)
        return colourWhite;
    return map.colours[index];
}

void adaptPhoneColours(const std::function<Colour(Colour)>& nearestColour) {
    colourBlack = nearestColour(colourBlack) & 0x00FFFFFF;
    colourDarkGrey = nearestColour(colourDarkGrey) & 0x00FFFFFF;
    colourLightGrey = nearestColour(colourLightGrey) & 0x00FFFFFF;
    colourWhite = nearestColour(colourWhite) & 0x00FFFFFF;
    TransparentKey = nearestColour(TransparentKey) & 0x00FFFFFF;
    rebuildMaps();
}

void resetPhoneColours() {
    colourBlack = definedBlack;
    colourDarkGrey = definedDarkGrey;
    colourLightGrey = definedLightGrey;
    colourWhite = definedWhite;
    TransparentKey = definedTransparentKey;
    rebuildMaps();
}

} // namespace pixelon
