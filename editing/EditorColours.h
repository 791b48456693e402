#pragma once

#include "editing/EditCanvas.h"
#include "editing/EditorTypes.h"

namespace pixelon {

// The picture editor's colours: the brushes of the two mouse buttons and the custom colour,
// and what each palette button offers.
class EditorColours {
public:
    ColourPair left() const { return m_left; }
    ColourPair right() const { return m_right; }
    ColourPair brush(MouseButton button) const {
        return button == MouseButton::Left ? m_left : m_right;
    }
    Colour custom() const { return m_custom; }

    // The pair a palette button (or an indicator) shows; unknown controls give white.
    ColourPair buttonPair(int control) const;
    // True for the controls a click takes a brush from.
    static bool isPaletteButton(int control) {
        return control >= FirstPaletteButton && control <= TransparentButton;
    }
    // The button's pair becomes the brush of the mouse button that clicked it.
    void click(int control, MouseButton button);
    void setLeft(ColourPair pair) { m_left = pair; }
    void setRight(ColourPair pair) { m_right = pair; }
    // The colour picker's pick, taken as it is.
    void pickCustom(Colour c) { m_custom = c; }
    // The result of the colour chooser: TransparentKey is refused and becomes (254, 127, 254).
    void chooseCustom(Colour c);

private:
    ColourPair m_left = ColourPair::plain(colourBlack);
    ColourPair m_right = ColourPair::plain(colourWhite);
    Colour m_custom = colourWhite;
};

} // namespace pixelon
