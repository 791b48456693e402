#pragma once

#include <string_view>

#include "platform/Surface.h"

namespace pixelon {

// A small built-in bitmap font for the numbers under contact-sheet cells, so a sheet looks the
// same on every machine. Digits and '-' are 5 x 7 pixels with one pixel between them, drawn in
// a line 13 pixels high whose ink starts 3 pixels below the line's top.
inline constexpr int LabelLineHeight = 13;
inline constexpr int LabelInkTop = 3;
inline constexpr int LabelGlyphWidth = 5;
inline constexpr int LabelGlyphHeight = 7;
inline constexpr int LabelAdvance = 6;

int LabelWidth(std::string_view text);

// Draws `text` centred between box.left and box.right on one line at the bottom of `box`.
void DrawLabel(Surface& surface, std::string_view text, Rect box, Colour ink);

} // namespace pixelon
