#pragma once

#include <QImage>

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

} // namespace pixelon::app
