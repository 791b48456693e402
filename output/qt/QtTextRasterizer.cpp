#include "output/qt/QtTextRasterizer.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

#include "output/qt/QtPagePainter.h"

namespace pixelon {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A line never needs more: a page is 7,016 units tall at 600 dpi and 10,525 at 900.
constexpr int MaxSide = 16384;

// The font at one pixel a page unit, without its underline: the page draws that itself, as
// for the standard fonts.
QFont PlainFont(const PageFont& font) {
    PageFont plain = font;
    plain.underline = false;
    return QtFontFor(plain, nullptr, 1);
}

} // namespace

double QtTextRasterizer::textWidth(const PageFont& font, std::string_view text) {
    return QFontMetricsF(PlainFont(font)).horizontalAdvance(ToQString(text));
}

TextMask QtTextRasterizer::render(const PageFont& font, std::string_view text) {
    const QFont qfont = PlainFont(font);
    const QFontMetricsF metrics(qfont);
    const QString line = ToQString(text);
    const QRectF ink = metrics.boundingRect(line);
    // Room for glyphs that reach left of the pen or beyond the advance.
    const int width = std::min(
        MaxSide, int(std::ceil(std::max(ink.right(), metrics.horizontalAdvance(line)))) + 1);
    const int height = std::min(MaxSide, int(std::ceil(metrics.height())) + 1);
    TextMask mask;
    if (width <= 0 || height <= 0)
        return mask;
    QImage image(width, height, QImage::Format_Grayscale8);
    if (image.isNull())
        return mask;
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(qfont);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(0, metrics.ascent()), line);
    }
    mask.width = width;
    mask.height = height;
    const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
    mask.bits.assign(rowBytes * std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < width; ++x)
            if (row[x] < 128)
                mask.bits[std::size_t(y) * rowBytes + std::size_t(x) / 8] |=
                    std::uint8_t(0x80 >> (x % 8));
    }
    return mask;
}

} // namespace pixelon
