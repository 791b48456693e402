#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "editing/EditCanvas.h"
#include "editing/EditorTypes.h"

namespace pixelon {

// The select tool's drags and the floating selection. The rectangle itself is the canvas's
// (EditCanvas::selection), since every processor works on it; this keeps how a drag changes
// it, and the pixels lifted off the canvas while the selection is moved.
class EditorSelection {
public:
    SelectDrag drag() const { return m_drag; }
    void endDrag() { m_drag = SelectDrag::None; }
    bool floating() const { return m_floating.has_value(); }

    // A left press of the select tool at a picture pixel: on the selection's corner or edge it
    // resizes it, inside it lifts the pixels to move them (`beforeLift` runs first, so the
    // change can be undone), elsewhere it starts a new rectangle.
    void press(EditCanvas& ec, int px, int py, const std::function<void()>& beforeLift);
    // The pointer moved to (px, py), (dx, dy) since the last event.
    void move(EditCanvas& ec, int px, int py, int dx, int dy);
    // Puts floating pixels down where they are; the selection keeps their part in the window.
    void commitFloating(EditCanvas& ec);

    // The selection in picture coordinates, and set from them (clipped to the picture).
    static std::optional<Rect> inPicture(const EditCanvas& ec);
    static void set(EditCanvas& ec, std::optional<Rect> pictureRect);
    // "%d,%d - %d x %d", empty without a selection.
    static std::string text(const EditCanvas& ec);

private:
    struct Floating {
        Surface pixels;
        Surface base;                 // the canvas without the lifted pixels
        Rect at;                      // canvas rectangle the pixels cover
        Surface maskPixels, maskBase; // the same for the mask, when there is one
    };

    void lift(EditCanvas& ec, const Rect& s);
    void moveFloating(EditCanvas& ec, int dx, int dy);

    SelectDrag m_drag = SelectDrag::None;
    std::pair<int, int> m_anchor{0, 0};
    Rect m_anchorRect{};
    std::optional<Floating> m_floating;
};

} // namespace pixelon
