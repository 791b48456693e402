#include "editing/EditorSelection.h"

#include <algorithm>
#include <cstdio>

namespace pixelon {

namespace {

Rect normalised(int x0, int y0, int x1, int y1) {
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1};
}

} // namespace

void EditorSelection::press(EditCanvas& ec, int px, int py,
                            const std::function<void()>& beforeLift) {
    const int cx = ec.originX + px, cy = ec.originY + py;
    if (ec.selection && ec.selection->contains(cx, cy)) {
        const Rect s = *ec.selection;
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
            beforeLift();
            lift(ec, s);
        }
        m_anchorRect = s;
        return;
    }
    commitFloating(ec);
    m_drag = SelectDrag::NewRect;
    m_anchor = {cx, cy};
    ec.selection = Rect{cx, cy, cx + 1, cy + 1};
}

void EditorSelection::lift(EditCanvas& ec, const Rect& s) {
    Floating f;
    f.at = s;
    f.pixels = Surface(s.width(), s.height());
    f.pixels.copyFrom(ec.canvas, s, 0, 0);
    f.base = ec.canvas;
    f.base.fillRect(s, colourWhite);
    if (!ec.mask.empty()) {
        f.maskPixels = Surface(s.width(), s.height());
        f.maskPixels.copyFrom(ec.mask, s, 0, 0);
        f.maskBase = ec.mask;
        f.maskBase.fillRect(s, MaskOpaque);
    }
    m_floating = std::move(f);
}

void EditorSelection::move(EditCanvas& ec, int px, int py, int dx, int dy) {
    const int cx = ec.originX + px, cy = ec.originY + py;
    const Rect s = m_anchorRect;
    Rect next;
    switch (m_drag) {
    case SelectDrag::None:
        return;
    case SelectDrag::Move:
        moveFloating(ec, dx, dy);
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
    next = next.intersected(ec.window());
    if (next.empty())
        ec.selection.reset();
    else
        ec.selection = next;
}

void EditorSelection::moveFloating(EditCanvas& ec, int dx, int dy) {
    if (!m_floating || (dx == 0 && dy == 0))
        return;
    Floating& f = *m_floating;
    ec.canvas.copyFrom(f.base, f.at, f.at.left, f.at.top);
    if (!f.maskBase.empty())
        ec.mask.copyFrom(f.maskBase, f.at, f.at.left, f.at.top);
    f.at = {f.at.left + dx, f.at.top + dy, f.at.right + dx, f.at.bottom + dy};
    ec.canvas.copyFrom(f.pixels, f.at.left, f.at.top);
    if (!f.maskBase.empty())
        ec.mask.copyFrom(f.maskPixels, f.at.left, f.at.top);
    ec.selection = f.at;
}

void EditorSelection::commitFloating(EditCanvas& ec) {
    if (!m_floating)
        return;
    const Rect at = m_floating->at.intersected(ec.window());
    m_floating.reset();
    if (at.empty())
        ec.selection.reset();
    else
        ec.selection = at;
}

std::optional<Rect> EditorSelection::inPicture(const EditCanvas& ec) {
    if (!ec.selection)
        return {};
    const Rect s = *ec.selection;
    return Rect{s.left - ec.originX, s.top - ec.originY, s.right - ec.originX,
                s.bottom - ec.originY};
}

void EditorSelection::set(EditCanvas& ec, std::optional<Rect> pictureRect) {
    if (!pictureRect) {
        ec.selection.reset();
        return;
    }
    const Rect r = pictureRect->intersected({0, 0, ec.width, ec.height});
    if (r.empty()) {
        ec.selection.reset();
        return;
    }
    ec.selection =
        Rect{r.left + ec.originX, r.top + ec.originY, r.right + ec.originX, r.bottom + ec.originY};
}

std::string EditorSelection::text(const EditCanvas& ec) {
    const auto s = inPicture(ec);
    if (!s)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d - %d x %d", s->left, s->top, s->width(), s->height());
    return text;
}

} // namespace pixelon
