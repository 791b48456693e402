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

// A brush colour with this bit set paints pixels transparent: they show the colour below the
// bit (TransparentKey) and are marked in the canvas's transparency mask. Surfaces drop the bit
// when the colour is stored, so it never reaches the canvas itself.
constexpr Colour TransparentInk = 0x01000000;
constexpr bool isTransparentInk(Colour c) {
    return (c & TransparentInk) != 0;
}

// Values of the transparency mask: it is a surface the size of the canvas, so the transforms
// that move canvas pixels move it the same way. New and cleared areas are white: opaque.
constexpr Colour MaskOpaque = 0x00FFFFFF;
constexpr Colour MaskTransparent = 0;

// What undo keeps: the canvas with the picture size and origin it had, so undoing a change of
// size brings the size back too.
struct CanvasSnapshot {
    Surface canvas;
    Surface mask;
    int width = 0;
    int height = 0;
    int originX = 0;
    int originY = 0;
};

// The editor's drawing surface: 5W x 5H pixels with the W x H picture window at an origin.
// Pixels outside the window stay on the canvas, so shifts and resizes can bring them back.
// Which pixels are transparent is kept apart from their colour, so an opaque pixel that happens
// to have the colour TransparentKey stays opaque.
struct EditCanvas {
    Surface canvas;
    Surface mask; // empty while every pixel is opaque, else as large as the canvas
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

    // Transparency of canvas pixels. Marking a pixel transparent also shows it in
    // TransparentKey; the mask is only allocated once some pixel is transparent.
    bool transparentAt(int cx, int cy) const {
        return !mask.empty() && mask.pixel(cx, cy) == MaskTransparent;
    }
    void setTransparent(int cx, int cy, bool transparent);
    // Paints one canvas pixel with a brush colour, marking it transparent for TransparentInk.
    void paint(int cx, int cy, Colour c) {
        canvas.setPixel(cx, cy, c);
        setTransparent(cx, cy, isTransparentInk(c));
    }
    void setOpaque(Rect r);
    // Shows every transparent pixel of `r` in TransparentKey again after a colour operation.
    void rekeyTransparent(Rect r);

    void saveUndo();
    void undo(); // swaps canvas and undo copy, so a second undo redoes
};

} // namespace pixelon
