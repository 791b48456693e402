#pragma once

#include <QFont>

#include "output/PagePainter.h"

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

// Whether Qt can make any font at all (fontconfig substitutes missing families silently).
bool AnyFontAvailable();

} // namespace pixelon
