#pragma once

#include <optional>

#include "core/Colours.h"
#include "platform/Surface.h"

namespace pixelon {

// The largest picture the editor works on. The canvas is five times as wide and high, so this
// bounds it at about 256 MB; larger sizes are refused before anything is allocated.
constexpr int MaxEditSize = 1600;

constexpr bool validEditSize(int width, int height) {
    return width >= 1 && height >= 1 && width <= MaxEditSize && height <= MaxEditSize;
}

// A two-colour half-tone: the first colour where x + y is even, the second where it is odd.
// A pair of equal colours paints plainly.
struct ColourPair {
    Colour first = 0;
    Colour second = 0;

    static constexpr ColourPair plain(Colour c) { return {c, c}; }
    constexpr Colour at(int x, int y) const { return ((x + y) & 1) ? second : first; }
    constexpr bool isPlain() const { return first == second; }
    friend constexpr bool operator==(const ColourPair&, const ColourPair&) = default;
};

// What undo keeps: the canvas with the picture size and origin it had, so undoing a change of
// size brings the size back too.
struct CanvasSnapshot {
    Surface canvas;
    int width = 0;
    int height = 0;
    int originX = 0;
    int originY = 0;
};

// The editor's drawing surface: 5W x 5H pixels with the W x H picture window at an origin.
// Pixels outside the window stay on the canvas, so shifts and resizes can bring them back.
struct EditCanvas {
    Surface canvas;
    int width = 0;
    int height = 0;
    int originX = 0;
    int originY = 0;
    std::optional<Rect> selection; // on the canvas
    CanvasSnapshot undoCopy;
    int undoState = 0; // 0 nothing to undo, 1 undo available, 2 redo available

    // A white canvas for a W x H picture with the window at (W, H). False (nothing changed)
    // for a size the editor refuses or memory it cannot get.
    bool reset(int w, int h);

    Rect window() const { return {originX, originY, originX + width, originY + height}; }
    // What processors work on: the selection's bounding box, else the picture window.
    Rect region() const { return selection ? *selection : window(); }
    bool inPicture(int px, int py) const { return px >= 0 && py >= 0 && px < width && py < height; }
    Colour pixelAt(int px, int py) const { return canvas.pixel(originX + px, originY + py); }

    void saveUndo();
    void undo(); // swaps canvas and undo copy, so a second undo redoes
};

} // namespace pixelon
