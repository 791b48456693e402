#pragma once

// Pictures and a recording page painter for the output tests.

#include <memory>
#include <string>
#include <vector>

#include "core/Colours.h"
#include "core/Portfolio.h"
#include "output/PagePainter.h"

namespace pixelon::test {

// A 16-bit picture filled with one colour.
inline std::unique_ptr<CPicture> solidPicture(int id, int width, int height, Colour colour) {
    auto p = std::make_unique<CPicture>();
    p->Create(width, height, id);
    p->m_nDepth = 16;
    for (int y = 0; y < p->m_nHeight; ++y)
        for (int x = 0; x < p->m_nWidth; ++x) {
            p->SetPixel(x, y, toRgb565(colour));
            p->SetMask(x, y, 1);
        }
    return p;
}

inline void addSolid(CPortfolio& portfolio, int id, int width, int height,
                     Colour colour = rgb(255, 255, 255)) {
    portfolio.m_pictures.push_back(solidPicture(id, width, height, colour));
}

// Keeps every drawing call as text and its rectangle, so a test can check the page; text is
// measured at 10 units a byte.
class RecordingPainter : public PagePainter {
public:
    struct Op {
        std::string kind; // "text", "bitmap", "line"
        PageRect rect;
        std::string text;
        TextAlign align = TextAlign::Left;
        PageFont font;
        Surface bitmap;
    };
    std::vector<Op> ops;
    std::vector<PageFont> fonts;
    bool fontsAvailable = true;
    double unitsPerByte = 10;
    PageRect visible = PagePainter::visibleArea();

    bool setFont(const PageFont& font) override {
        if (!fontsAvailable)
            return false;
        fonts.push_back(font);
        m_font = font;
        return true;
    }
    double textWidth(std::string_view text) override { return unitsPerByte * text.size(); }
    void drawText(const PageRect& box, std::string_view text, TextAlign align) override {
        ops.push_back({"text", box, std::string(text), align, m_font, {}});
    }
    void drawBitmap(const PageRect& target, const Surface& bitmap) override {
        ops.push_back({"bitmap", target, {}, TextAlign::Left, m_font, bitmap});
    }
    void drawLine(double x1, double y1, double x2, double y2) override {
        ops.push_back({"line", {x1, y1, x2, y2}, {}, TextAlign::Left, m_font, {}});
    }

    PageRect visibleArea() const override { return visible; }

    std::vector<Op> of(const std::string& kind) const {
        std::vector<Op> found;
        for (const Op& op : ops)
            if (op.kind == kind)
                found.push_back(op);
        return found;
    }

private:
    PageFont m_font;
};

} // namespace pixelon::test
