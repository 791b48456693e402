#include "editing/PixelProcessor.h"

namespace pixelon {

bool runProcessor(PixelProcessor& processor, Surface& canvas, Rect region, Feedback& feedback) {
    processor.region = region;
    processor.target = &canvas;
    if (!processor.source) {
        processor.source = &canvas;
        processor.sourceOrigin = region;
    }
    if (!processor.init())
        return false;
    ProgressWindow& progress = feedback.progress();
    const int steps = processor.progressSteps();
    progress.Open(processor.caption(), "Processing...", 0, steps);
    processor.firstRow();
    processor.rowStart();
    int done = 0;
    // An empty region or row range writes nothing: the first write would land outside it.
    while (processor.inRegion() && processor.inRow()) {
        canvas.setPixel(processor.x, processor.y, processor.computePixel());
        processor.nextPixel();
        if (processor.inRow())
            continue;
        processor.nextRow();
        processor.rowStart();
        progress.Step(++done);
    }
    progress.Close();
    return true;
}

} // namespace pixelon
