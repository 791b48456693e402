#include "operations/PictureBitmaps.h"

#include <algorithm>

#include "core/Picture.h"

namespace pixelon {

std::unique_ptr<CPicture> PictureFromBitmap(const Surface& bitmap, int id) {
    if (bitmap.width() < 1 || bitmap.height() < 1)
        return nullptr;
    auto picture = std::make_unique<CPicture>();
    picture->Create(std::min(bitmap.width(), PastedMaxWidth),
                    std::min(bitmap.height(), PastedMaxHeight), id);
    picture->GrabFrom(bitmap, DirectMap);
    return picture;
}

std::unique_ptr<CPicture> PictureFromScreenGrab(const Surface& snapshot, Rect rect, int id) {
    // A rubber band may be dragged in any direction and past the screen's edge.
    Rect band{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
              std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
    band = band.intersected(snapshot.bounds());
    if (band.width() <= GrabMinimumSize || band.height() <= GrabMinimumSize)
        return nullptr;
    auto picture = std::make_unique<CPicture>();
    picture->Create(std::min(band.width(), PastedMaxWidth),
                    std::min(band.height(), PastedMaxHeight), id);
    picture->GrabFrom(snapshot, DirectMap, band.left, band.top);
    return picture;
}

Surface CopyBitmap(const CPicture& picture) {
    Surface bitmap = picture.MakeBitmap();
    picture.Draw(bitmap, 0, 0, -1, picture.m_nWidth, picture.m_nHeight, true);
    return bitmap;
}

Surface CopyWithGridBitmap(const CPicture& picture, Colour grid) {
    const int s = CopyGridScale;
    Surface bitmap(picture.m_nWidth * s + 1, picture.m_nHeight * s + 1, colourWhite);
    for (int y = 0; y < picture.m_nHeight; ++y)
        for (int x = 0; x < picture.m_nWidth; ++x)
            bitmap.fillRect({x * s, y * s, x * s + s, y * s + s}, picture.PixelColour(x, y));
    for (int x = 0; x <= picture.m_nWidth; ++x)
        bitmap.fillRect({x * s, 0, x * s + 1, bitmap.height()}, grid);
    for (int y = 0; y <= picture.m_nHeight; ++y)
        bitmap.fillRect({0, y * s, bitmap.width(), y * s + 1}, grid);
    return bitmap;
}

} // namespace pixelon
