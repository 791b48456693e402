#pragma once

#include "codecs/PngCodec.h"

namespace pixelon {

class CPortfolio;

// The most pictures a thumbnail shows: a 3 x 3 grid.
inline constexpr int ThumbnailPictures = 9;
inline constexpr int MinThumbnailSize = 8;
inline constexpr int MaxThumbnailSize = 4096;

// A file manager's thumbnail of a portfolio: its first pictures (at most ThumbnailPictures) in
// a grid of square cells, columns = ceil(sqrt(n)), rows as needed, the whole no larger than
// size x size. Each picture is scaled by the same factor on both axes to fit its cell, nearest
// pixel, centred; pixel art grows by whole multiples so its pixels stay square. The cells'
// background and an Icon's transparent pixels are transparent. An empty image for a portfolio
// without pictures or a size outside MinThumbnailSize..MaxThumbnailSize.
PngPicture RenderThumbnail(const CPortfolio& portfolio, int size);

} // namespace pixelon
