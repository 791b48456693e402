#pragma once

#include <cstdint>
#include <string_view>

#include "core/Picture.h"

namespace pixelon {

// The program version written into header line 4.
inline constexpr std::string_view PortfolioVersion = "R3B";

// The type line the picture's entry would be written with now: "Icon", "Glyph" or "Image".
std::string_view entryTypeOf(const CPicture& picture);

// The bits per pixel the picture's entry would be written with now: 1, 2, 8 or 16.
int entryDepthOf(const CPicture& picture);

// Numbers as the C runtime reads them: leading blanks skipped, an optional sign, reading stops
// at the first character that is not a digit, no digits give 0.
int parseDecimal(std::string_view text);
// Hexadecimal, with an optional "0x"; the value wraps to 32 bits.
int parseHex(std::string_view text);

} // namespace pixelon
