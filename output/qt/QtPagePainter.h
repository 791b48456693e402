#pragma once

#include <QFont>

#include "output/PagePainter.h"

class QPaintDevice;
class QPainter;

namespace pixelon {

// The page model drawn with a QPainter whose device has `devicePerUnit` device pixels for each
// page unit (1 when the device has the resolution the page was laid out for).
class QtPagePainter : public PagePainter {
public:
    QtPagePainter(QPainter& painter, double devicePerUnit);

    bool setFont(const PageFont& font) override;
    double textWidth(std::string_view text) override;
    void drawText(const PageRect& box, std::string_view text, TextAlign align) override;
    void drawBitmap(const PageRect& target, const Surface& bitmap) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    // The device's page.
    PageRect visibleArea() const override;

private:
    QPainter& m_painter;
    double m_scale;
};

// The Qt font of `font` for a device with `devicePerUnit` device pixels a page unit; its metrics
// are taken on `device` (the default screen when none).
QFont QtFontFor(const PageFont& font, const QPaintDevice* device, double devicePerUnit);

// Whether Qt can make any font at all (fontconfig substitutes missing families silently).
bool AnyFontAvailable();

} // namespace pixelon
