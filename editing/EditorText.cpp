#include "editing/EditorText.h"

#include "editing/PixelFont.h"

namespace pixelon {

EditorText::EditorText() : m_font(editorFont()) {}

void EditorText::setFont(std::shared_ptr<const TextFont> font) {
    m_font = font ? std::move(font) : editorFont();
}

void EditorText::place(int px, int py, ColourPair brush) {
    m_placed = true;
    m_x = px;
    m_y = py;
    m_brush = brush;
    m_characters.clear();
}

void EditorText::type(std::string_view characters) {
    if (m_placed)
        m_characters += characters;
}

void EditorText::backspace() {
    if (!m_placed || m_characters.empty())
        return;
    std::string& s = m_characters;
    std::size_t end = s.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
        --end;
    s.erase(end);
}

void EditorText::moveAnchor(int dx, int dy) {
    m_x += dx;
    m_y += dy;
}

// Lays the words out from the anchor, wrapping a word that would cross the picture's right
// edge to the next line, and hands every inked canvas pixel inside the selection (else the
// picture window) with its colour to `plot`. Returns the caret in picture pixels.
template <typename Plot>
std::pair<int, int> EditorText::layOut(const EditCanvas& ec, Plot plot) const {
    if (!m_placed)
        return {0, 0};
    if (!m_font)
        return {m_x, m_y};
    const Rect limit = ec.region();
    const std::optional<Colour> own = m_font->colour();
    const int blank = m_font->blankWidth(), line = m_font->lineHeight();
    int penX = m_x, penY = m_y;
    const std::string& s = m_characters;
    std::size_t at = 0;
    while (at <= s.size()) {
        std::size_t end = s.find(' ', at);
        if (end == std::string::npos)
            end = s.size();
        const std::string_view word(s.data() + at, end - at);
        if (!word.empty()) {
            const Surface ink = m_font->renderWord(word);
            if (penX + ink.width() > ec.width && penX > m_x) {
                penX = m_x;
                penY += line;
            }
            for (int j = 0; j < ink.height(); ++j)
                for (int i = 0; i < ink.width(); ++i) {
                    if (ink.pixel(i, j) != 0)
                        continue;
                    const int cx = ec.originX + penX + i, cy = ec.originY + penY + j;
                    if (!limit.contains(cx, cy))
                        continue;
                    plot(cx, cy, own ? *own : m_brush.at(cx, cy));
                }
            penX += ink.width();
        }
        if (end == s.size())
            break;
        penX += blank;
        at = end + 1;
    }
    return {penX, penY};
}

std::pair<int, int> EditorText::draw(const EditCanvas& ec, Surface& target, int offX,
                                     int offY) const {
    return layOut(ec, [&](int cx, int cy, Colour c) { target.setPixel(cx - offX, cy - offY, c); });
}

void EditorText::commit(EditCanvas& ec) {
    if (m_placed && !m_characters.empty()) {
        ec.saveUndo();
        layOut(ec, [&](int cx, int cy, Colour c) { ec.paint(cx, cy, c); });
    }
    m_placed = false;
    m_characters.clear();
}

} // namespace pixelon
