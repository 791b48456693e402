#pragma once

#include <string>

#include "platform/Feedback.h"
#include "platform/Surface.h"

namespace pixelon {

// The engine for operations that compute each output pixel from the canvas. Each processor
// overrides the steps it needs; the defaults visit the region row by row, left to right.
class PixelProcessor {
public:
    virtual ~PixelProcessor() = default;

    Rect sourceOrigin{}; // where source pixels are read; defaults to the region
    Rect region{};       // the rectangle processed
    int x = 0;
    int y = 0;
    const Surface* source = nullptr; // defaults to the target
    Surface* target = nullptr;

    // Prepares before the first pixel; false stops the run before anything is written.
    virtual bool init() { return true; }
    virtual void rowStart() { x = region.left; }
    virtual void firstRow() { y = region.top; }
    virtual bool inRow() const { return x < region.right; }
    virtual bool inRegion() const { return y < region.bottom; }
    virtual void nextPixel() { ++x; }
    virtual void nextRow() { ++y; }
    virtual int progressSteps() const { return region.height(); }
    virtual std::string caption() const = 0;
    virtual Colour computePixel() = 0;

    // The source pixel at (sx, sy) relative to the source origin.
    Colour sourceAt(int sx, int sy) const {
        return source->pixel(sourceOrigin.left + sx, sourceOrigin.top + sy);
    }
};

// Runs `processor` over `region` of `canvas` behind the progress window. A processor that
// named no source reads the canvas itself with the region as its source origin. Returns false
// when init refused (the canvas is then unchanged).
bool runProcessor(PixelProcessor& processor, Surface& canvas, Rect region, Feedback& feedback);

} // namespace pixelon
