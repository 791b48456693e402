#pragma once

#include <QColor>
#include <QImage>

#include <algorithm>
#include <climits>

#include "platform/Surface.h"

namespace pixelon {

// A Surface (0x00BBGGRR) as a QImage, only to show, print or copy it.
inline QImage toQImage(const Surface& surface) {
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    for (int y = 0; y < surface.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        auto row = surface.row(y);
        for (int x = 0; x < surface.width(); ++x) {
            const Colour c = row[std::size_t(x)];
            line[x] = qRgb(redOf(c), greenOf(c), blueOf(c));
        }
    }
    return image;
}

// A QImage as a Surface, at most `maxWidth` x `maxHeight` from its top-left corner.
inline Surface fromQImage(const QImage& source, int maxWidth = INT_MAX, int maxHeight = INT_MAX) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = std::min(image.width(), maxWidth), h = std::min(image.height(), maxHeight);
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

inline QColor toQColor(Colour c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }
inline Colour fromQColor(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

} // namespace pixelon
