#pragma once

#include <memory>
#include <string_view>

#include "core/Colours.h"
#include "platform/Surface.h"

namespace pixelon {

class CPicture;

// The largest bitmap a paste or a screen grab takes before the picture's own limit applies.
inline constexpr int PastedMaxWidth = 1300;
inline constexpr int PastedMaxHeight = 1360;
// A grabbed rectangle must be wider and higher than this to make a picture.
inline constexpr int GrabMinimumSize = 8;
inline constexpr Colour CopyGridColour = rgb(128, 128, 128);
inline constexpr int CopyGridScale = 6;
inline constexpr std::string_view GrabRefusedText =
    "The screen cannot be captured here: the window system refused to give out its contents.\n\n"
    "Under some Wayland sessions no program may read the screen; use a screenshot tool and "
    "Paste New Picture instead.";

// A picture of the bitmap's size (at most 1300 x 1360, then the picture limit 1280 x 1024) with
// its colours as RGB565, all opaque; null for a bitmap narrower or lower than one pixel.
std::unique_ptr<CPicture> PictureFromBitmap(const Surface& bitmap, int id);

// The picture a screen grab makes: the rectangle's pixels of the snapshot from its top-left
// corner; null unless the rectangle is wider and higher than 8 pixels.
std::unique_ptr<CPicture> PictureFromScreenGrab(const Surface& snapshot, Rect rect, int id);

// The picture at its own size with transparent pixels shown: what Copy Picture puts on the
// clipboard.
Surface CopyBitmap(const CPicture& picture);

// The picture enlarged six times with one-pixel grid lines every six pixels:
// (width * 6 + 1) x (height * 6 + 1).
Surface CopyWithGridBitmap(const CPicture& picture, Colour grid = CopyGridColour);

} // namespace pixelon
