#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Surface.h"

namespace pixelon {

// Pictures travel in horizontal bands of 8 / bits rows; each column of a band is one byte
// with the band's top row in the lowest bits. Only 1, 2, 4 and 8 bits are valid.
constexpr bool validWireBits(int bits) {
    return bits == 1 || bits == 2 || bits == 4 || bits == 8;
}
std::size_t wireBandCount(int height, int bits);
std::size_t wireSize(int width, int height, int bits);

// Packs palette indices of `source` (columns x + xOffset, rows from 0) reduced through the
// map for the depth (1 bit MonoMap, 2 bits GreyMap, 4 and 8 bits CubeMap). Pixels outside
// the surface count as white. The bytes are not yet inverted.
std::vector<std::uint8_t> PackWirePicture(const Surface& source, int xOffset, int width, int height,
                                          int bits);

// The colour a wire value shows: 1 bit: 1 black, 0 white; 2 bits: 3 black, 2 dark grey,
// 1 light grey, 0 white. Wider values are read as grey levels, all ones black.
Colour wireValueColour(int value, int bits, Colour black = 0x000000);

// Draws wire bytes (as received, not inverted) into a white picture of width x height.
Surface UnpackWirePicture(std::span<const std::uint8_t> bytes, int width, int height, int bits,
                          Colour black = 0x000000);

// Hexadecimal text, two upper-case digits a byte; `invert` XORs every byte with 0xFF first.
std::string toHex(std::span<const std::uint8_t> bytes, bool invert);
// Decodes pairs of hexadecimal digits until the text ends, a pair is not hexadecimal or
// `maxBytes` are decoded.
std::vector<std::uint8_t> fromHex(std::string_view text, std::size_t maxBytes);

// The data of one AT*EDAR reply: the hexadecimal text two characters after the third
// carriage return up to the next one.
std::vector<std::uint8_t> DecodeUploadReply(std::string_view reply, std::size_t maxBytes);

} // namespace pixelon
