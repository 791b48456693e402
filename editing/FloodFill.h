#pragma once

#include <functional>

#include "editing/EditCanvas.h"
#include "platform/Surface.h"

namespace pixelon {

// Paints with `brush` the 4-connected area of pixels that share the colour of (x, y), never
// leaving `limit`. The area is found before anything is painted, so a half-tone brush whose
// colours match the area cannot make the fill run on. Returns the number of pixels painted.
// `painted`, when given, hears of every pixel painted with the brush colour it took.
long floodFill(Surface& surface, int x, int y, Rect limit, const ColourPair& brush,
               const std::function<void(int x, int y, Colour c)>& painted = {});

} // namespace pixelon
