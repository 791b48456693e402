#include "output/SheetLabel.h"

namespace pixelon {

namespace {

// Rows of each glyph, bit 4 the leftmost pixel.
constexpr unsigned char Digits[10][LabelGlyphHeight] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}, // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}, // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}, // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}, // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}, // 9
};
constexpr unsigned char Minus[LabelGlyphHeight] = {0, 0, 0, 0x1F, 0, 0, 0};

const unsigned char* glyphOf(char ch) {
    if (ch >= '0' && ch <= '9')
        return Digits[ch - '0'];
    if (ch == '-')
        return Minus;
    return nullptr;
}

} // namespace

int LabelWidth(std::string_view text) {
    return text.empty() ? 0 : int(text.size()) * LabelAdvance - (LabelAdvance - LabelGlyphWidth);
}

void DrawLabel(Surface& surface, std::string_view text, Rect box, Colour ink) {
    int x = box.left + (box.width() - LabelWidth(text)) / 2;
    const int top = box.bottom - LabelLineHeight + LabelInkTop;
    for (char ch : text) {
        if (const unsigned char* glyph = glyphOf(ch))
            for (int row = 0; row < LabelGlyphHeight; ++row)
                for (int col = 0; col < LabelGlyphWidth; ++col)
                    if (glyph[row] >> (LabelGlyphWidth - 1 - col) & 1)
                        surface.setPixel(x + col, top + row, ink);
        x += LabelAdvance;
    }
}

} // namespace pixelon
