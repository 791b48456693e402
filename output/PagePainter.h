#pragma once

#include <string>
#include <string_view>

#include "platform/Surface.h"

namespace pixelon {

// A rectangle on a printed page, in the printer's device units.
struct PageRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    double width() const { return right - left; }
    double height() const { return bottom - top; }
    friend bool operator==(const PageRect&, const PageRect&) = default;
};

// The font a page asks for; its height is the character cell height in device units.
struct PageFont {
    std::string family = "MS Sans Serif";
    double height = 0;
    int weight = 600;
    bool underline = false;
    friend bool operator==(const PageFont&, const PageFont&) = default;
};

enum class TextAlign { Left, Centre };

// Where the page model draws: the printer, a PDF file, or a recording in a test. Text is one
// line, placed at the top of its box and not clipped to it.
class PagePainter {
public:
    virtual ~PagePainter() = default;
    // Selects the font for the following text; false when no font at all can be made.
    virtual bool setFont(const PageFont& font) = 0;
    // The advance width of `text` (UTF-8) in the selected font.
    virtual double textWidth(std::string_view text) = 0;
    virtual void drawText(const PageRect& box, std::string_view text, TextAlign align) = 0;
    // `bitmap` stretched onto `target`, each pixel a sharp-edged square.
    virtual void drawBitmap(const PageRect& target, const Surface& bitmap) = 0;
    virtual void drawLine(double x1, double y1, double x2, double y2) = 0;
    // The part of the page the device shows, in page units. Whatever lies outside it is cut
    // off, so the page model draws only what meets it.
    virtual PageRect visibleArea() const { return {-1e12, -1e12, 1e12, 1e12}; }
};

} // namespace pixelon
