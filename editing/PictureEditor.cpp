#include "editing/PictureEditor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "editing/FloodFill.h"
#include "editing/PixelFont.h"

namespace pixelon {

namespace {

constexpr Colour ViewBackground = rgb(192, 192, 192);
constexpr Colour GridColour = rgb(128, 128, 128);
constexpr Colour AscentColour = rgb(255, 0, 0);
constexpr Colour SelectionColour = rgb(57, 206, 97);
constexpr Colour RefusedTransparent = rgb(254, 127, 254);

const PaletteMap& mapOfDepth(int depth) {
    switch (depth) {
    case 1:
    case 2:
        return GreyMap;
    case 8:
        return CubeMap;
    default:
        return DirectMap;
    }
}

bool pictureStorageFits(const CPicture& p) {
    const std::size_t count =
        std::size_t(std::max(p.m_nWidth, 0)) * std::size_t(std::max(p.m_nHeight, 0));
    return p.m_pixels.size() >= count * 2 && p.m_mask.size() >= count;
}

bool inBand(Colour c, int lo, int hi) {
    auto in = [&](int v) { return v >= lo && v <= hi; };
    return in(redOf(c)) && in(greenOf(c)) && in(blueOf(c));
}

Rect normalised(int x0, int y0, int x1, int y1) {
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1};
}

template <typename F> void forLine(int x0, int y0, int x1, int y1, F f) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        f(x0, y0);
        if (x0 == x1 && y0 == y1)
            return;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

} // namespace

PictureEditor::PictureEditor(const CPicture& picture, Feedback& feedback, int ascent)
    : m_feedback(feedback), m_ascent(std::max(ascent, 0)) {
    const int w = std::clamp(picture.m_nWidth, 1, MaxEditSize);
    const int h = std::clamp(picture.m_nHeight, 1, MaxEditSize);
    m_ec.reset(w, h);
    if (pictureStorageFits(picture)) {
        picture.Draw(m_ec.canvas, m_ec.originX, m_ec.originY, -1, w, h, true);
        // Only what the picture's mask marks is transparent, whatever its colour.
        if (picture.m_bMasked)
            for (int y = 0; y < std::min(h, picture.m_nHeight); ++y)
                for (int x = 0; x < std::min(w, picture.m_nWidth); ++x)
                    if (!picture.GetMask(x, y))
                        m_ec.setTransparent(m_ec.originX + x, m_ec.originY + y, true);
    }
    m_font = editorFont();
    m_depth = picture.GetStoredDepth() == 8 || picture.m_nDepth == 8 ? 8 : picture.m_nDepth;
    CurrentMap = &mapOfDepth(m_depth);
    m_zoom = fit();
}

void PictureEditor::setViewSize(int viewWidth, int viewHeight) {
    const bool first = m_viewWidth == 0 && m_viewHeight == 0;
    m_viewWidth = std::max(viewWidth, 0);
    m_viewHeight = std::max(viewHeight, 0);
    if (first)
        m_zoom = fit();
}

int PictureEditor::fit() const {
    if (m_viewWidth <= 0 || m_viewHeight <= 0)
        return 1;
    return std::max(1, std::min(m_viewWidth / m_ec.width, m_viewHeight / m_ec.height));
}

int PictureEditor::viewOffset() const {
    return std::max(0, (m_viewWidth - m_zoom * m_ec.width) / 2);
}

void PictureEditor::zoomIn() {
    commitText();
    if (canZoomIn())
        ++m_zoom;
}

void PictureEditor::zoomOut() {
    commitText();
    if (canZoomOut())
        --m_zoom;
}

void PictureEditor::toggleGrid() {
    commitText();
    m_grid = !m_grid;
}

void PictureEditor::setLeftColour(ColourPair pair) {
    commitText();
    m_left = pair;
}

void PictureEditor::setRightColour(ColourPair pair) {
    commitText();
    m_right = pair;
}

std::optional<std::pair<int, int>> PictureEditor::toPicture(int viewX, int viewY) const {
    const auto [px, py] = viewToPicture(viewX, viewY);
    if (!m_ec.inPicture(px, py))
        return {};
    return std::pair{px, py};
}

std::pair<int, int> PictureEditor::viewToPicture(int viewX, int viewY) const {
    auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    return {floorDiv(viewX - viewOffset() + scrollX(), m_zoom),
            floorDiv(viewY + scrollY(), m_zoom)};
}

int PictureEditor::maxScrollX() const {
    return std::max(0, m_zoom * m_ec.width - m_viewWidth);
}

int PictureEditor::maxScrollY() const {
    return std::max(0, m_zoom * m_ec.height - m_viewHeight);
}

void PictureEditor::setScroll(int x, int y) {
    m_scrollX = std::clamp(x, 0, maxScrollX());
    m_scrollY = std::clamp(y, 0, maxScrollY());
}

void PictureEditor::setTool(Tool tool) {
    commit();
    m_tool = tool;
    m_lineStart.reset();
    m_pressed.reset();
    m_drag = SelectDrag::None;
}

Rect PictureEditor::clip() const {
    return m_ec.selection ? *m_ec.selection : m_ec.window();
}

void PictureEditor::paintPoint(int px, int py, const ColourPair& brush) {
    const int cx = m_ec.originX + px, cy = m_ec.originY + py;
    if (clip().contains(cx, cy))
        m_ec.paint(cx, cy, brush.at(cx, cy));
}

void PictureEditor::paintLine(int x0, int y0, int x1, int y1, const ColourPair& brush) {
    forLine(x0, y0, x1, y1, [&](int x, int y) { paintPoint(x, y, brush); });
}

std::pair<int, int> PictureEditor::lineEnd(int px, int py, bool ctrl) const {
    if (!ctrl || !m_lineStart)
        return {px, py};
    const auto [sx, sy] = *m_lineStart;
    if (std::abs(px - sx) > std::abs(py - sy))
        return {px, sy};
    return {sx, py};
}

void PictureEditor::mouseDown(MouseButton button, int px, int py, Modifiers mods) {
    if (!m_ec.inPicture(px, py))
        return;
    m_pointer = std::pair{px, py};
    if (m_pressed) {
        // A press of the other button while a line is drawn cancels the line.
        if (m_tool == Tool::Line && button != *m_pressed) {
            m_lineStart.reset();
            m_pressed.reset();
        }
        return;
    }
    const ColourPair brush = button == MouseButton::Left ? m_left : m_right;
    m_pressed = button;
    m_last = {px, py};
    if (mods.shift && button == MouseButton::Left) {
        commitFloating();
        m_ec.saveUndo();
        m_shiftDrag = true;
        return;
    }
    switch (m_tool) {
    case Tool::Pen:
        beforeChange();
        paintPoint(px, py, brush);
        break;
    case Tool::Line:
        m_lineStart = std::pair{px, py};
        m_lineEnd = {px, py};
        break;
    case Tool::Select:
        if (button == MouseButton::Right) {
            commitFloating();
            m_ec.selection.reset();
            m_pressed.reset();
        } else {
            selectPress(px, py);
        }
        break;
    case Tool::Fill:
        beforeChange();
        floodFill(
            m_ec.canvas, m_ec.originX + px, m_ec.originY + py, clip(), brush,
            [this](int x, int y, Colour c) { m_ec.setTransparent(x, y, isTransparentInk(c)); });
        break;
    case Tool::Text:
        commitText();
        m_text = PlacedText{px, py, brush, {}};
        break;
    case Tool::Picker:
        m_custom = pixel(px, py);
        break;
    }
}

void PictureEditor::mouseMove(int px, int py, Modifiers mods) {
    if (m_ec.inPicture(px, py))
        m_pointer = std::pair{px, py};
    else
        m_pointer.reset();
    if (!m_pressed)
        return;
    const int dx = px - m_last.first, dy = py - m_last.second;
    if (m_shiftDrag) {
        if (dx || dy) {
            const int oldX = m_ec.originX, oldY = m_ec.originY;
            const std::optional<Rect> oldSelection = m_ec.selection;
            // The content follows the pointer: the block itself, or the window the other way.
            const int sign = m_ec.selection ? 1 : -1;
            transform([&](EditCanvas& ec, Feedback&) {
                shiftPicture(ec, sign * dx, sign * dy);
                return true;
            });
            if (m_text) {
                // The anchor follows the content: the window's move, or the block's.
                const int mx = m_ec.selection && oldSelection
                                   ? m_ec.selection->left - oldSelection->left
                                   : oldX - m_ec.originX;
                const int my = m_ec.selection && oldSelection
                                   ? m_ec.selection->top - oldSelection->top
                                   : oldY - m_ec.originY;
                m_text->x += mx;
                m_text->y += my;
            }
        }
        m_last = {px, py};
        return;
    }
    switch (m_tool) {
    case Tool::Pen:
        paintLine(m_last.first, m_last.second, px, py,
                  *m_pressed == MouseButton::Left ? m_left : m_right);
        break;
    case Tool::Line:
        if (m_lineStart)
            m_lineEnd = lineEnd(px, py, mods.ctrl);
        break;
    case Tool::Select:
        selectMove(px, py);
        break;
    default:
        break;
    }
    m_last = {px, py};
}

void PictureEditor::mouseUp(MouseButton button, int px, int py, Modifiers mods) {
    if (!m_pressed || button != *m_pressed)
        return;
    if (!m_shiftDrag && m_tool == Tool::Line && m_lineStart) {
        const auto [sx, sy] = *m_lineStart;
        const auto [ex, ey] = lineEnd(px, py, mods.ctrl);
        beforeChange();
        paintLine(sx, sy, ex, ey, button == MouseButton::Left ? m_left : m_right);
        m_lineStart.reset();
    } else if (!m_shiftDrag && m_tool == Tool::Select) {
        selectMove(px, py);
        m_drag = SelectDrag::None;
    }
    m_pressed.reset();
    m_shiftDrag = false;
}

void PictureEditor::pointerLeft() {
    m_pointer.reset();
}

std::string PictureEditor::pointerXText() const {
    return m_pointer ? std::to_string(std::clamp(m_pointer->first, 0, m_ec.width - 1))
                     : std::string();
}

std::string PictureEditor::pointerYText() const {
    return m_pointer ? std::to_string(std::clamp(m_pointer->second, 0, m_ec.height - 1))
                     : std::string();
}

std::string PictureEditor::pickerText(int channel) const {
    if (m_tool != Tool::Picker || !m_pointer)
        return {};
    const Colour c = pixel(m_pointer->first, m_pointer->second);
    return std::to_string(channel == 0 ? redOf(c) : channel == 1 ? greenOf(c) : blueOf(c));
}

void PictureEditor::selectPress(int px, int py) {
    const int cx = m_ec.originX + px, cy = m_ec.originY + py;
    if (m_ec.selection && m_ec.selection->contains(cx, cy)) {
        const Rect s = *m_ec.selection;
        const bool left = cx == s.left, right = cx == s.right - 1;
        const bool top = cy == s.top, bottom = cy == s.bottom - 1;
        const bool handles = !m_floating && s.width() >= 3 && s.height() >= 3;
        m_drag = SelectDrag::Move;
        if (handles) {
            if (top && left) {
                m_drag = SelectDrag::TopLeft;
                m_anchor = {s.right - 1, s.bottom - 1};
            } else if (top && right) {
                m_drag = SelectDrag::TopRight;
                m_anchor = {s.left, s.bottom - 1};
            } else if (bottom && left) {
                m_drag = SelectDrag::BottomLeft;
                m_anchor = {s.right - 1, s.top};
            } else if (bottom && right) {
                m_drag = SelectDrag::NewRect;
                m_anchor = {s.left, s.top};
            } else if (top) {
                m_drag = SelectDrag::Top;
            } else if (bottom) {
                m_drag = SelectDrag::Bottom;
            } else if (left) {
                m_drag = SelectDrag::Left;
            } else if (right) {
                m_drag = SelectDrag::Right;
            }
        }
        if (m_drag == SelectDrag::Move && !m_floating) {
            beforeChange();
            Floating f;
            f.at = s;
            f.pixels = Surface(s.width(), s.height());
            f.pixels.copyFrom(m_ec.canvas, s, 0, 0);
            f.base = m_ec.canvas;
            f.base.fillRect(s, colourWhite);
            if (!m_ec.mask.empty()) {
                f.maskPixels = Surface(s.width(), s.height());
                f.maskPixels.copyFrom(m_ec.mask, s, 0, 0);
                f.maskBase = m_ec.mask;
                f.maskBase.fillRect(s, MaskOpaque);
            }
            m_floating = std::move(f);
        }
        m_anchorRect = s;
        return;
    }
    commitFloating();
    m_drag = SelectDrag::NewRect;
    m_anchor = {cx, cy};
    m_ec.selection = Rect{cx, cy, cx + 1, cy + 1};
}

void PictureEditor::selectMove(int px, int py) {
    const int cx = m_ec.originX + px, cy = m_ec.originY + py;
    const Rect s = m_anchorRect;
    Rect next;
    switch (m_drag) {
    case SelectDrag::None:
        return;
    case SelectDrag::Move:
        moveFloating(px - m_last.first, py - m_last.second);
        return;
    case SelectDrag::TopLeft:
    case SelectDrag::TopRight:
    case SelectDrag::BottomLeft:
    case SelectDrag::NewRect:
        next = normalised(m_anchor.first, m_anchor.second, cx, cy);
        break;
    case SelectDrag::Top:
        next = normalised(s.left, cy, s.right - 1, s.bottom - 1);
        break;
    case SelectDrag::Bottom:
        next = normalised(s.left, s.top, s.right - 1, cy);
        break;
    case SelectDrag::Left:
        next = normalised(cx, s.top, s.right - 1, s.bottom - 1);
        break;
    case SelectDrag::Right:
        next = normalised(s.left, s.top, cx, s.bottom - 1);
        break;
    }
    next = next.intersected(m_ec.window());
    if (next.empty())
        m_ec.selection.reset();
    else
        m_ec.selection = next;
}

void PictureEditor::moveFloating(int dx, int dy) {
    if (!m_floating || (dx == 0 && dy == 0))
        return;
    Floating& f = *m_floating;
    m_ec.canvas.copyFrom(f.base, f.at, f.at.left, f.at.top);
    if (!f.maskBase.empty())
        m_ec.mask.copyFrom(f.maskBase, f.at, f.at.left, f.at.top);
    f.at = {f.at.left + dx, f.at.top + dy, f.at.right + dx, f.at.bottom + dy};
    m_ec.canvas.copyFrom(f.pixels, f.at.left, f.at.top);
    if (!f.maskBase.empty())
        m_ec.mask.copyFrom(f.maskPixels, f.at.left, f.at.top);
    m_ec.selection = f.at;
}

void PictureEditor::commitFloating() {
    if (!m_floating)
        return;
    const Rect at = m_floating->at.intersected(m_ec.window());
    m_floating.reset();
    if (at.empty())
        m_ec.selection.reset();
    else
        m_ec.selection = at;
}

std::optional<Rect> PictureEditor::selection() const {
    if (!m_ec.selection)
        return {};
    const Rect s = *m_ec.selection;
    return Rect{s.left - m_ec.originX, s.top - m_ec.originY, s.right - m_ec.originX,
                s.bottom - m_ec.originY};
}

void PictureEditor::setSelection(std::optional<Rect> pictureRect) {
    commit();
    if (!pictureRect) {
        m_ec.selection.reset();
        return;
    }
    const Rect r = pictureRect->intersected({0, 0, m_ec.width, m_ec.height});
    if (r.empty()) {
        m_ec.selection.reset();
        return;
    }
    m_ec.selection = Rect{r.left + m_ec.originX, r.top + m_ec.originY, r.right + m_ec.originX,
                          r.bottom + m_ec.originY};
}

std::string PictureEditor::selectionText() const {
    const auto s = selection();
    if (!s)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d - %d x %d", s->left, s->top, s->width(), s->height());
    return text;
}

void PictureEditor::setFont(std::shared_ptr<const TextFont> font) {
    commitText();
    m_font = font ? std::move(font) : editorFont();
    m_tool = Tool::Text;
}

void PictureEditor::chooseFont(std::shared_ptr<const TextFont> font) {
    setEditorFont(std::move(font));
    setFont(editorFont());
}

const std::string& PictureEditor::text() const {
    static const std::string none;
    return m_text ? m_text->characters : none;
}

void PictureEditor::typeText(std::string_view characters) {
    if (m_text)
        m_text->characters += characters;
}

void PictureEditor::backspace() {
    if (!m_text || m_text->characters.empty())
        return;
    std::string& s = m_text->characters;
    // Drop a whole UTF-8 sequence.
    std::size_t end = s.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
        --end;
    s.erase(end);
}

std::pair<int, int> PictureEditor::drawText(Surface& target, int offX, int offY,
                                            EditCanvas* canvas) const {
    if (!m_text)
        return {0, 0};
    if (!m_font)
        return {m_text->x, m_text->y};
    const Rect limit = clip();
    const std::optional<Colour> own = m_font->colour();
    const int blank = m_font->blankWidth(), line = m_font->lineHeight();
    int penX = m_text->x, penY = m_text->y;
    const std::string& s = m_text->characters;
    std::size_t at = 0;
    while (at <= s.size()) {
        std::size_t end = s.find(' ', at);
        if (end == std::string::npos)
            end = s.size();
        const std::string_view word(s.data() + at, end - at);
        if (!word.empty()) {
            const Surface ink = m_font->renderWord(word);
            if (penX + ink.width() > m_ec.width && penX > m_text->x) {
                penX = m_text->x;
                penY += line;
            }
            for (int j = 0; j < ink.height(); ++j)
                for (int i = 0; i < ink.width(); ++i) {
                    if (ink.pixel(i, j) != 0)
                        continue;
                    const int cx = m_ec.originX + penX + i, cy = m_ec.originY + penY + j;
                    if (!limit.contains(cx, cy))
                        continue;
                    const Colour c = own ? *own : m_text->brush.at(cx, cy);
                    if (canvas)
                        canvas->paint(cx, cy, c);
                    else
                        target.setPixel(cx - offX, cy - offY, c);
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

void PictureEditor::renderView(Surface& out) const {
    if (out.width() != m_viewWidth || out.height() != m_viewHeight)
        out = Surface(m_viewWidth, m_viewHeight, ViewBackground);
    else
        out.fill(ViewBackground);
    const int w = m_ec.width, h = m_ec.height, z = m_zoom, off = viewOffset();
    const Rect window = m_ec.window();
    // The line and the text being placed are shown on a copy of the picture window.
    const bool overlay = (m_lineStart && m_pressed) || m_text;
    Surface work;
    std::pair<int, int> caret{0, 0};
    if (overlay) {
        work = Surface(w, h);
        work.copyFrom(m_ec.canvas, window, 0, 0);
        if (m_lineStart && m_pressed) {
            const ColourPair brush = *m_pressed == MouseButton::Left ? m_left : m_right;
            const Rect limit = clip();
            forLine(m_lineStart->first, m_lineStart->second, m_lineEnd.first, m_lineEnd.second,
                    [&](int px, int py) {
                        const int cx = window.left + px, cy = window.top + py;
                        if (limit.contains(cx, cy))
                            work.setPixel(px, py, brush.at(cx, cy));
                    });
        }
        if (m_text)
            caret = drawText(work, window.left, window.top);
    }
    // View position of the picture's top-left corner: centred when it fits, else scrolled.
    const int ox = off - scrollX(), oy = -scrollY();
    const int bottom = std::min(m_viewHeight, oy + z * h);
    const int firstColumn = std::max(0, -ox / z);
    for (int vy = 0; vy < bottom; ++vy) {
        const int py = (vy - oy) / z;
        auto line = out.row(vy);
        for (int px = firstColumn; px < w; ++px) {
            const int x0 = ox + px * z;
            if (x0 >= m_viewWidth)
                break;
            const Colour c =
                overlay ? work.pixel(px, py) : m_ec.canvas.pixel(window.left + px, window.top + py);
            const int xs = std::max(x0, 0), x1 = std::min(x0 + z, m_viewWidth);
            if (xs < x1)
                std::fill(line.begin() + xs, line.begin() + x1, c);
        }
    }
    const int left = std::max(ox, 0), right = std::min(ox + z * w, m_viewWidth);
    const int top = std::max(oy, 0);
    if (m_grid && z > 1) {
        for (int k = 0; k <= h; ++k) {
            const int y = oy + k * z;
            if (y >= 0 && y < m_viewHeight)
                for (int x = left; x < right; ++x)
                    out.setPixel(x, y, GridColour);
        }
        for (int k = 0; k <= w; ++k) {
            const int x = ox + k * z;
            if (x >= 0 && x < m_viewWidth)
                for (int y = top; y < bottom; ++y)
                    out.setPixel(x, y, GridColour);
        }
    }
    if (m_ascent > 0) {
        const int y = oy + m_ascent * z + (m_grid ? 1 : 0);
        for (int x = left; x < right; ++x)
            out.setPixel(x, y, AscentColour);
    }
    if (const auto s = selection()) {
        const int x0 = ox + s->left * z, y0 = oy + s->top * z;
        const int x1 = ox + s->right * z - 1, y1 = oy + s->bottom * z - 1;
        for (int x = std::max(x0, 0); x <= std::min(x1, m_viewWidth - 1); ++x)
            if ((x - x0) / 2 % 2 == 0) {
                out.setPixel(x, y0, SelectionColour);
                out.setPixel(x, y1, SelectionColour);
            }
        for (int y = std::max(y0, 0); y <= std::min(y1, m_viewHeight - 1); ++y)
            if ((y - y0) / 2 % 2 == 0) {
                out.setPixel(x0, y, SelectionColour);
                out.setPixel(x1, y, SelectionColour);
            }
    }
    if (m_text) {
        const int height = m_font ? m_font->lineHeight() : 1;
        for (int y = oy + caret.second * z; y < oy + (caret.second + height) * z; ++y)
            out.setPixel(ox + caret.first * z, y, 0);
    }
}

void PictureEditor::commitText() {
    if (m_text && !m_text->characters.empty()) {
        // Placed text is a change of its own, so undo takes back just the text.
        m_ec.saveUndo();
        drawText(m_ec.canvas, 0, 0, &m_ec);
    }
    m_text.reset();
}

void PictureEditor::commit() {
    commitText();
    commitFloating();
}

void PictureEditor::beforeChange() {
    commit();
    m_ec.saveUndo();
}

void PictureEditor::afterResize() {
    m_zoom = fit();
}

ColourPair PictureEditor::paletteButtonPair(int control) const {
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

void PictureEditor::clickPaletteButton(int control, MouseButton button) {
    if (control < FirstPaletteButton || control > TransparentButton)
        return;
    commitText();
    (button == MouseButton::Left ? m_left : m_right) = paletteButtonPair(control);
}

void PictureEditor::chooseCustomColour(Colour c) {
    commitText();
    c &= 0x00FFFFFF;
    m_custom = c == TransparentKey ? RefusedTransparent : c;
}

void PictureEditor::toMono() {
    beforeChange();
    if (dither) {
        KernelDither kernel(MonoMap, 5);
        runProcessor(kernel, m_ec.canvas, m_ec.region(), m_feedback);
    } else {
        toMonoPlain(m_ec.canvas, m_ec.window());
    }
    m_ec.rekeyTransparent(m_ec.window());
}

void PictureEditor::toGreyLevels() {
    beforeChange();
    if (dither)
        greyDither(m_ec.canvas, m_ec.window(), greyDitherDirection(), m_feedback);
    else
        toGreyPlain(m_ec.canvas, m_ec.window());
    m_ec.rekeyTransparent(m_ec.window());
}

void PictureEditor::toCubeColours() {
    beforeChange();
    if (dither && !cubeDither(m_ec.canvas, m_ec.window(), m_feedback))
        return;
    toCubePlain(m_ec.canvas, m_ec.window());
    m_ec.rekeyTransparent(m_ec.window());
    m_depth = 8;
    CurrentMap = &CubeMap;
}

void PictureEditor::mapToSteps(const MappingSteps& steps) {
    currentMappingSteps() = steps;
    beforeChange();
    pixelon::mapToSteps(m_ec.canvas, m_ec.window(), steps);
    m_ec.rekeyTransparent(m_ec.window());
    m_depth = 2;
    CurrentMap = &GreyMap;
}

bool PictureEditor::transform(const std::function<bool(EditCanvas&, Feedback&)>& apply) {
    if (m_ec.mask.empty())
        return apply(m_ec, m_feedback);
    // The mask goes through the same transform from the same starting state.
    EditCanvas maskView;
    maskView.canvas = std::move(m_ec.mask);
    maskView.width = m_ec.width;
    maskView.height = m_ec.height;
    maskView.originX = m_ec.originX;
    maskView.originY = m_ec.originY;
    maskView.selection = m_ec.selection;
    const bool ok = apply(m_ec, m_feedback);
    if (ok) {
        RecordingFeedback quiet;
        if (!apply(maskView, quiet) || maskView.canvas.width() != m_ec.canvas.width() ||
            maskView.canvas.height() != m_ec.canvas.height())
            maskView.canvas = Surface(); // cannot follow: every pixel opaque rather than wrong
    }
    m_ec.mask = std::move(maskView.canvas);
    return ok;
}

void PictureEditor::fold(FoldMode mode) {
    beforeChange();
    transform([mode](EditCanvas& ec, Feedback& fb) {
        foldPicture(ec, mode, fb);
        return true;
    });
}

void PictureEditor::rotate(Rotation rotation) {
    if (rotation == Rotation::None)
        return;
    beforeChange();
    transform([rotation](EditCanvas& ec, Feedback& fb) {
        rotatePicture(ec, rotation, fb);
        return true;
    });
    afterResize();
}

bool PictureEditor::scale(int newWidth, int newHeight) {
    beforeChange();
    const bool ok = transform(
        [&](EditCanvas& ec, Feedback& fb) { return scalePicture(ec, newWidth, newHeight, fb); });
    afterResize();
    return ok;
}

bool PictureEditor::resize(int newWidth, int newHeight) {
    beforeChange();
    const bool ok = transform(
        [&](EditCanvas& ec, Feedback& fb) { return resizePicture(ec, newWidth, newHeight, fb); });
    afterResize();
    return ok;
}

bool PictureEditor::crop() {
    beforeChange();
    const bool ok = transform([&](EditCanvas& ec, Feedback& fb) {
        return cropPicture(ec, m_phoneWidth, m_phoneHeight, fb);
    });
    afterResize();
    return ok;
}

void PictureEditor::setPhoneSize(int width, int height) {
    m_phoneWidth = std::max(width, 1);
    m_phoneHeight = std::max(height, 1);
}

void PictureEditor::shift(int dx, int dy) {
    beforeChange();
    transform([dx, dy](EditCanvas& ec, Feedback&) {
        shiftPicture(ec, dx, dy);
        return true;
    });
}

void PictureEditor::clear() {
    beforeChange();
    clearPicture(m_ec);
    m_ec.mask = Surface();
}

void PictureEditor::swapColours(const std::array<ColourPair, 5>& pairs) {
    beforeChange();
    pixelon::swapColours(m_ec, pairs, m_custom, m_feedback);
    m_ec.rekeyTransparent(m_ec.region());
}

Surface PictureEditor::copy() {
    commit();
    const Rect r = m_ec.region().intersected(m_ec.canvas.bounds());
    Surface out(r.width(), r.height());
    out.copyFrom(m_ec.canvas, r, 0, 0);
    return out;
}

void PictureEditor::paste(const Surface& bitmap) {
    if (bitmap.empty())
        return;
    beforeChange();
    const Rect target = m_ec.region();
    const int w = std::min(bitmap.width(), 5 * target.width());
    const int h = std::min(bitmap.height(), 5 * target.height());
    m_ec.canvas.copyFrom(bitmap, {0, 0, w, h}, target.left, target.top);
    // Pasted pixels are opaque whatever their colour.
    m_ec.setOpaque({target.left, target.top, target.left + w, target.top + h});
}

void PictureEditor::undo() {
    commit();
    const int w = m_ec.width, h = m_ec.height;
    m_ec.undo();
    if (w != m_ec.width || h != m_ec.height)
        afterResize();
}

void PictureEditor::accept(CPicture& picture) {
    commit();
    m_ec.selection.reset();
    // The picture keeps the middle of a canvas beyond the editor's limits; the portfolio
    // reader takes every size up to them back.
    const int w = std::min(m_ec.width, 1300), h = std::min(m_ec.height, 1360);
    const int left = m_ec.originX + (m_ec.width - w) / 2;
    const int top = m_ec.originY + (m_ec.height - h) / 2;
    const bool wasMasked = picture.m_bMasked;
    picture.m_nWidth = w;
    picture.m_nHeight = h;
    picture.GrabFrom(m_ec.canvas, DirectMap, left, top);
    // The mask decides transparency: an Icon stays one, a picture painted with the
    // transparent button becomes one, and opaque pixels of any colour stay opaque.
    bool transparent = false;
    int decided = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Colour shown = m_ec.canvas.pixel(left + x, top + y);
            if (m_ec.transparentAt(left + x, top + y)) {
                picture.SetMask(x, y, 0);
                transparent = true;
                continue;
            }
            if (decided == 16)
                continue;
            const Colour c = fromRgb565(toRgb565(shown));
            if (c == 0 || c == 0xFFFFFF || c == colourBlack || c == colourWhite)
                decided = std::max(decided, 1);
            else if (inBand(c, 81, 111) || inBand(c, 169, 182))
                decided = 2;
            else
                decided = 16;
        }
    picture.m_bMasked = wasMasked || transparent;
    if (m_depth == 8) {
        decided = 8;
        picture.m_nStoredDepth = 8;
        picture.m_nDepth = 8;
    } else {
        // The values are RGB565 whatever the decided depth, so they are read as colours.
        picture.m_nDepth = 16;
    }
    picture.m_nSaveDepth = std::max(decided, 1);
    m_depth = picture.m_nSaveDepth;
    CurrentMap = &mapOfDepth(m_depth);
}

} // namespace pixelon
