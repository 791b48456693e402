#pragma once

#include <QImage>

#include <algorithm>

#include "platform/Surface.h"

namespace pixelon::app {

// A Surface (0x00BBGGRR) as a QImage, only to show or print it.
inline QImage toQImage(const Surface& surface) {
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    for (int y = 0; y < surface.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        auto row = surface.row(y);
        for (int x = 0; x < surface.width(); ++x)
            line[x] = qRgb(redOf(row[std::size_t(x)]), greenOf(row[std::size_t(x)]),
                           blueOf(row[std::size_t(x)]));
    }
    return image;
}

// A QImage as a Surface, at most `maxWidth` x `maxHeight` from its top-left corner.
inline Surface fromQImage(const QImage& source, int maxWidth, int maxHeight) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    int w = std::min(image.width(), maxWidth), h = std::min(image.height(), maxHeight);
    if (w < 1 || h < 1)
        return {};
    Surface surface(w, h);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            surface.setPixel(x, y, rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
    }
    return surface;
}

} // namespace pixelon::app
