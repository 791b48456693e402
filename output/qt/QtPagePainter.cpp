#include "output/qt/QtPagePainter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace pixelon {

namespace {

QImage toImage(const Surface& surface) {
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < surface.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        auto row = surface.row(y);
        for (int x = 0; x < surface.width(); ++x)
            line[x] = qRgb(redOf(row[std::size_t(x)]), greenOf(row[std::size_t(x)]),
                           blueOf(row[std::size_t(x)]));
    }
    return image;
}

} // namespace

bool AnyFontAvailable() {
    return !QFontDatabase::families().isEmpty();
}

QtPagePainter::QtPagePainter(QPainter& painter, double devicePerUnit)
    : m_painter(painter), m_scale(devicePerUnit) {
    // Bitmaps go to the device at their own size and are magnified by the page transform:
    // without smoothing, so every picture pixel stays a sharp square, and without lossy
    // compression, so a PDF keeps the exact colours.
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_painter.setRenderHint(QPainter::LosslessImageRendering, true);
}

QFont QtFontFor(const PageFont& font, const QPaintDevice* device, double devicePerUnit) {
    QFont f(QString::fromStdString(font.family));
    // The page asks for a character cell height (ascent plus descent); Qt sizes fonts by
    // their em, so the cell height of a 100-pixel em gives the ratio between the two.
    QFont reference(f);
    reference.setPixelSize(100);
    const double cell =
        device ? QFontMetricsF(reference, device).height() : QFontMetricsF(reference).height();
    const double em = cell > 0 ? font.height * 100 / cell : font.height;
    f.setPixelSize(std::max(1, int(std::lround(em * devicePerUnit))));
    f.setWeight(QFont::Weight(font.weight));
    f.setUnderline(font.underline);
    return f;
}

bool QtPagePainter::setFont(const PageFont& font) {
    if (!AnyFontAvailable())
        return false;
    m_painter.setFont(QtFontFor(font, m_painter.device(), m_scale));
    return true;
}

double QtPagePainter::textWidth(std::string_view text) {
    const QFontMetricsF metrics(m_painter.font(), m_painter.device());
    return metrics.horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size()))) /
           m_scale;
}

void QtPagePainter::drawText(const PageRect& box, std::string_view text, TextAlign align) {
    const QRectF r(box.left * m_scale, box.top * m_scale, box.width() * m_scale,
                   box.height() * m_scale);
    const int flags = Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip |
                      (align == TextAlign::Centre ? Qt::AlignHCenter : Qt::AlignLeft);
    m_painter.setPen(Qt::black);
    m_painter.drawText(r, flags, QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void QtPagePainter::drawBitmap(const PageRect& target, const Surface& bitmap) {
    if (bitmap.empty())
        return;
    const QRectF r(target.left * m_scale, target.top * m_scale, target.width() * m_scale,
                   target.height() * m_scale);
    const QImage image = toImage(bitmap);
    if (!image.isNull()) // an image Qt could not allocate is left out, never written empty
        m_painter.drawImage(r, image);
}

void QtPagePainter::drawLine(double x1, double y1, double x2, double y2) {
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, m_scale));
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(x1 * m_scale, y1 * m_scale), QPointF(x2 * m_scale, y2 * m_scale));
}

PageRect QtPagePainter::visibleArea() const {
    const QPaintDevice* device = m_painter.device();
    if (!device || m_scale <= 0)
        return PagePainter::visibleArea();
    return {0, 0, device->width() / m_scale, device->height() / m_scale};
}

} // namespace pixelon
