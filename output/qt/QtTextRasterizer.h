#pragma once

#include "output/PdfPagePainter.h"

namespace pixelon {

// Text the PDF's standard fonts cannot show, drawn by Qt with the fonts a printer would use.
class QtTextRasterizer : public TextRasterizer {
public:
    double textWidth(const PageFont& font, std::string_view text) override;
    TextMask render(const PageFont& font, std::string_view text) override;
};

} // namespace pixelon
