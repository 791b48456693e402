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
    undoCopy.width = width;
    undoCopy.height = height;
    undoCopy.originX = originX;
    undoCopy.originY = originY;
    undoState = 1;
}

void EditCanvas::undo() {
    if (undoState == 0)
        return;
    CanvasSnapshot now{std::move(canvas), width, height, originX, originY};
    const bool resized = now.width != undoCopy.width || now.height != undoCopy.height;
    canvas = std::move(undoCopy.canvas);
    width = undoCopy.width;
    height = undoCopy.height;
    originX = undoCopy.originX;
    originY = undoCopy.originY;
    undoCopy = std::move(now);
    if (resized)
        selection.reset();
    undoState = undoState == 1 ? 2 : 1;
}

} // namespace pixelon
