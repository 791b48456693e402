#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "editing/EditCanvas.h"
#include "editing/TextFont.h"

namespace pixelon {

// Text being placed with the text tool: the anchor, the brush and the characters typed so far,
// in the font of this editing session. The text stays off the canvas until it is committed, so
// typing can go on and backspace can take characters back.
class EditorText {
public:
    EditorText();

    // Null: back to the program-wide editor font.
    void setFont(std::shared_ptr<const TextFont> font);
    const TextFont& font() const { return *m_font; }
    int lineHeight() const { return m_font ? m_font->lineHeight() : 1; }

    bool placing() const { return m_placed; }
    const std::string& characters() const { return m_characters; }
    // Starts new text at a picture pixel; text placed before is dropped, so commit it first.
    void place(int px, int py, ColourPair brush);
    void type(std::string_view characters);
    void backspace(); // drops the last character, a whole UTF-8 sequence
    // The anchor follows the picture's content when it is shifted.
    void moveAnchor(int dx, int dy);

    // Draws the text into `target`, whose (0, 0) is canvas point (offX, offY), within the
    // selection (else the picture window); returns the caret in picture pixels.
    std::pair<int, int> draw(const EditCanvas& ec, Surface& target, int offX, int offY) const;
    // Paints non-empty text into the canvas as a change of its own (undo takes back just the
    // text), then ends the placement.
    void commit(EditCanvas& ec);

private:
    template <typename Plot> std::pair<int, int> layOut(const EditCanvas& ec, Plot plot) const;

    std::shared_ptr<const TextFont> m_font;
    bool m_placed = false;
    int m_x = 0, m_y = 0; // anchor in picture pixels
    ColourPair m_brush;
    std::string m_characters;
};

} // namespace pixelon
