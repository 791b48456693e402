#include "output/Thumbnail.h"

#include <algorithm>
#include <cmath>

#include "core/Picture.h"
#include "core/Portfolio.h"

namespace pixelon {

namespace {

// Draws the picture into the cell at (left, top) of `cell` x `cell` pixels.
void drawScaled(PngPicture& out, const CPicture& picture, int left, int top, int cell) {
    const int w = picture.m_nWidth, h = picture.m_nHeight;
    if (w <= 0 || h <= 0 || picture.m_pixels.size() < std::size_t(w) * std::size_t(h) * 2 ||
        picture.m_mask.size() < std::size_t(w) * std::size_t(h))
        return;
    // A one-pixel margin keeps neighbouring pictures apart.
    const int room = std::max(cell - 2, 1);
    const double fit = std::min(double(room) / w, double(room) / h);
    const double scale = fit >= 1 ? std::floor(fit) : fit;
    const int drawnW = std::clamp(int(w * scale), 1, room);
    const int drawnH = std::clamp(int(h * scale), 1, room);
    const int x0 = left + (cell - drawnW) / 2, y0 = top + (cell - drawnH) / 2;
    const int width = out.colours.width();
    for (int y = 0; y < drawnH; ++y) {
        const int sy = std::min(int(y / scale), h - 1);
        for (int x = 0; x < drawnW; ++x) {
            const int sx = std::min(int(x / scale), w - 1);
            if (picture.m_bMasked && !picture.GetMask(sx, sy))
                continue;
            out.colours.setPixel(x0 + x, y0 + y, picture.PixelColour(sx, sy));
            out.opaque[std::size_t(y0 + y) * std::size_t(width) + std::size_t(x0 + x)] = 1;
        }
    }
}

} // namespace

PngPicture RenderThumbnail(const CPortfolio& portfolio, int size) {
    PngPicture out;
    const int count = std::min(portfolio.Count(), ThumbnailPictures);
    if (count <= 0 || size < MinThumbnailSize || size > MaxThumbnailSize)
        return out;
    const int columns = int(std::ceil(std::sqrt(double(count))));
    const int rows = (count + columns - 1) / columns;
    const int cell = size / columns;
    out.colours = Surface(cell * columns, cell * rows, 0);
    out.opaque.assign(std::size_t(cell * columns) * std::size_t(cell * rows), 0);
    out.paletteBits = 16;
    for (int i = 0; i < count; ++i)
        drawScaled(out, portfolio.Picture(i), i % columns * cell, i / columns * cell, cell);
    return out;
}

} // namespace pixelon
