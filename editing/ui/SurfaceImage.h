#pragma once

#include <QImage>

#include "platform/Surface.h"

namespace pixelon::ui {

// A Surface (0x00BBGGRR) as a QImage to show it, and a QImage back as a Surface.
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

inline Surface fromQImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    Surface s(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            s.setPixel(x, y, rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
    }
    return s;
}

inline QColor toQColor(Colour c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}
inline Colour fromQColor(const QColor& c) {
    return rgb(c.red(), c.green(), c.blue());
}

} // namespace pixelon::ui
