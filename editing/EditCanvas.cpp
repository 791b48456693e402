#include "editing/EditCanvas.h"

#include <new>
#include <utility>

namespace pixelon {

bool EditCanvas::reset(int w, int h) {
    if (!validEditSize(w, h))
        return false;
    try {
        canvas = Surface(w * 5, h * 5, colourWhite);
    } catch (const std::bad_alloc&) {
        return false;
    }
    mask = Surface();
    width = w;
    height = h;
    originX = w;
    originY = h;
    selection.reset();
    return true;
}

void EditCanvas::saveUndo() {
    // Assigning into the existing copy reuses its storage: a fresh 5W x 5H copy of a large
    // picture costs far more in page faults than the copy itself.
    undoCopy.canvas = canvas;
    undoCopy.mask = mask;
    undoCopy.width = width;
    undoCopy.height = height;
    undoCopy.originX = originX;
    undoCopy.originY = originY;
    undoState = 1;
}

void EditCanvas::undo() {
    if (undoState == 0)
        return;
    CanvasSnapshot now{std::move(canvas), std::move(mask), width, height, originX, originY};
    const bool resized = now.width != undoCopy.width || now.height != undoCopy.height;
    canvas = std::move(undoCopy.canvas);
    mask = std::move(undoCopy.mask);
    width = undoCopy.width;
    height = undoCopy.height;
    originX = undoCopy.originX;
    originY = undoCopy.originY;
    undoCopy = std::move(now);
    if (resized)
        selection.reset();
    undoState = undoState == 1 ? 2 : 1;
}

void EditCanvas::setTransparent(int cx, int cy, bool transparent) {
    if (!canvas.contains(cx, cy))
        return;
    if (transparent) {
        if (mask.empty())
            mask = Surface(canvas.width(), canvas.height(), MaskOpaque);
        mask.setPixel(cx, cy, MaskTransparent);
        canvas.setPixel(cx, cy, TransparentKey);
    } else if (!mask.empty()) {
        mask.setPixel(cx, cy, MaskOpaque);
    }
}

void EditCanvas::setOpaque(Rect r) {
    if (!mask.empty())
        mask.fillRect(r, MaskOpaque);
}

void EditCanvas::rekeyTransparent(Rect r) {
    if (mask.empty())
        return;
    r = r.intersected(canvas.bounds());
    for (int y = r.top; y < r.bottom; ++y) {
        auto m = mask.row(y);
        auto c = canvas.row(y);
        for (int x = r.left; x < r.right; ++x)
            if (m[std::size_t(x)] == MaskTransparent)
                c[std::size_t(x)] = TransparentKey;
    }
}

} // namespace pixelon
