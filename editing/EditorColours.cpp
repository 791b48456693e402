#include "editing/EditorColours.h"

namespace pixelon {

namespace {
constexpr Colour RefusedTransparent = rgb(254, 127, 254);
} // namespace

ColourPair EditorColours::buttonPair(int control) const {
    const Colour b = colourBlack, d = colourDarkGrey, l = colourLightGrey, w = colourWhite;
    switch (control) {
    case 1084:
        return {b, b};
    case 1085:
        return {d, d};
    case 1086:
        return {l, l};
    case 1087:
        return {w, w};
    case 1088:
        return {b, d};
    case 1089:
        return {b, l};
    case 1090:
        return {b, w};
    case 1091:
        return {d, l};
    case 1092:
        return {d, w};
    case 1093:
        return {l, w};
    case CustomColourButton:
        return ColourPair::plain(m_custom);
    case TransparentButton:
        return ColourPair::plain(TransparentKey | TransparentInk);
    case LeftIndicator:
        return m_left;
    case RightIndicator:
        return m_right;
    default:
        return ColourPair::plain(w);
    }
}

void EditorColours::click(int control, MouseButton button) {
    if (isPaletteButton(control))
        (button == MouseButton::Left ? m_left : m_right) = buttonPair(control);
}

void EditorColours::chooseCustom(Colour c) {
    c &= 0x00FFFFFF;
    m_custom = c == TransparentKey ? RefusedTransparent : c;
}

} // namespace pixelon
