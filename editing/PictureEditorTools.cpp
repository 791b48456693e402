// The tools: how mouse events in picture coordinates draw, select, fill, place text and pick
// colours over the editor's parts.

#include <algorithm>
#include <cstdlib>

#include "editing/FloodFill.h"
#include "editing/LineWalk.h"
#include "editing/PictureEditor.h"

namespace pixelon {

void PictureEditor::setTool(Tool tool) {
    commit();
    m_tool = tool;
    m_lineStart.reset();
    m_pressed.reset();
    m_selection.endDrag();
}

void PictureEditor::paintPoint(int px, int py, const ColourPair& brush) {
    EditCanvas& c = ec();
    const int cx = c.originX + px, cy = c.originY + py;
    if (c.region().contains(cx, cy))
        c.paint(cx, cy, brush.at(cx, cy));
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
    if (!state().inPicture(px, py))
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
    const ColourPair brush = m_colours.brush(button);
    m_pressed = button;
    m_last = {px, py};
    if (mods.shift && button == MouseButton::Left) {
        commitFloating();
        ec().saveUndo();
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
            ec().selection.reset();
            m_pressed.reset();
        } else {
            m_selection.press(ec(), px, py, [this] { beforeChange(); });
        }
        break;
    case Tool::Fill: {
        beforeChange();
        EditCanvas& c = ec();
        floodFill(
            c.canvas, c.originX + px, c.originY + py, c.region(), brush,
            [&c](int x, int y, Colour ink) { c.setTransparent(x, y, isTransparentInk(ink)); });
        break;
    }
    case Tool::Text:
        commitText();
        m_text.place(px, py, brush);
        break;
    case Tool::Picker:
        m_colours.pickCustom(pixel(px, py));
        break;
    }
}

// A drag with shift held moves the content with the pointer: the selected block, or without a
// selection the whole picture (the window moves the other way).
void PictureEditor::shiftDrag(int dx, int dy) {
    const EditCanvas& c = state();
    const int oldX = c.originX, oldY = c.originY;
    const std::optional<Rect> oldSelection = c.selection;
    const int sign = c.selection ? 1 : -1;
    m_canvas.transform([&](EditCanvas& target, Feedback&) {
        shiftPicture(target, sign * dx, sign * dy);
        return true;
    });
    if (m_text.placing()) {
        // The anchor follows the content: the window's move, or the block's.
        const int mx =
            c.selection && oldSelection ? c.selection->left - oldSelection->left : oldX - c.originX;
        const int my =
            c.selection && oldSelection ? c.selection->top - oldSelection->top : oldY - c.originY;
        m_text.moveAnchor(mx, my);
    }
}

void PictureEditor::mouseMove(int px, int py, Modifiers mods) {
    if (state().inPicture(px, py))
        m_pointer = std::pair{px, py};
    else
        m_pointer.reset();
    if (!m_pressed)
        return;
    const int dx = px - m_last.first, dy = py - m_last.second;
    if (m_shiftDrag) {
        if (dx || dy)
            shiftDrag(dx, dy);
        m_last = {px, py};
        return;
    }
    switch (m_tool) {
    case Tool::Pen:
        paintLine(m_last.first, m_last.second, px, py, m_colours.brush(*m_pressed));
        break;
    case Tool::Line:
        if (m_lineStart)
            m_lineEnd = lineEnd(px, py, mods.ctrl);
        break;
    case Tool::Select:
        m_selection.move(ec(), px, py, dx, dy);
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
        paintLine(sx, sy, ex, ey, m_colours.brush(button));
        m_lineStart.reset();
    } else if (!m_shiftDrag && m_tool == Tool::Select) {
        m_selection.move(ec(), px, py, px - m_last.first, py - m_last.second);
        m_selection.endDrag();
    }
    m_pressed.reset();
    m_shiftDrag = false;
}

void PictureEditor::pointerLeft() {
    m_pointer.reset();
}

std::string PictureEditor::pointerXText() const {
    return m_pointer ? std::to_string(std::clamp(m_pointer->first, 0, width() - 1)) : std::string();
}

std::string PictureEditor::pointerYText() const {
    return m_pointer ? std::to_string(std::clamp(m_pointer->second, 0, height() - 1))
                     : std::string();
}

std::string PictureEditor::pickerText(int channel) const {
    if (m_tool != Tool::Picker || !m_pointer)
        return {};
    const Colour c = pixel(m_pointer->first, m_pointer->second);
    return std::to_string(channel == 0 ? redOf(c) : channel == 1 ? greenOf(c) : blueOf(c));
}

} // namespace pixelon
