#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/PagePainter.h"

namespace pixelon {

class PdfDocument;

// A line of text drawn at one pixel a page unit: 1 bit a pixel, set where there is ink, most
// significant bit first, each row padded to whole bytes. Row 0 is the top of the line, column 0
// where the text starts.
struct TextMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
};

// Draws text that the PDF's standard fonts cannot show (characters beyond Latin-1) with the
// system's fonts.
class TextRasterizer {
public:
    virtual ~TextRasterizer() = default;
    // The advance width of `text` in page units.
    virtual double textWidth(const PageFont& font, std::string_view text) = 0;
    virtual TextMask render(const PageFont& font, std::string_view text) = 0;
};

// The page model written as PDF pages: text in the standard Helvetica fonts, each bitmap once
// at its own size and magnified by the page's transformation, lines as strokes. Page units are
// device pixels at `dotsPerInch` on A4 paper. Text with characters beyond Latin-1 goes to
// `rasterizer` and is placed as a stencil mask; without one, such characters show as "?".
class PdfPagePainter : public PagePainter {
public:
    PdfPagePainter(PdfDocument& document, int dotsPerInch, TextRasterizer* rasterizer = nullptr);

    // Starts a new page, ending the one drawn before.
    void StartPage();
    // Hands the page drawn so far to the document; nothing when no page was started.
    void EndPage();

    bool setFont(const PageFont& font) override;
    double textWidth(std::string_view text) override;
    void drawText(const PageRect& box, std::string_view text, TextAlign align) override;
    void drawBitmap(const PageRect& target, const Surface& bitmap) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    // The whole A4 sheet.
    PageRect visibleArea() const override;

    // The em of the selected font, and where its baseline lies below the top of a line, in
    // page units.
    double EmSize() const;
    double Ascent() const;

private:
    // `text` in the standard fonts' encoding; characters they lack become "?" when there is no
    // rasterizer, or nothing is returned when there is.
    std::optional<std::string> Encode(std::string_view text) const;
    // The advance of `text`, from its encoding when the standard fonts show it.
    double WidthOf(std::string_view text, const std::optional<std::string>& encoded);
    void DrawTextMask(double left, double top, std::string_view text);
    void PlaceImage(const PageRect& target, std::string_view image);
    void UseObject(int number);

    PdfDocument& m_document;
    TextRasterizer* m_rasterizer;
    double m_dotsPerInch;
    PageFont m_font;
    bool m_pageOpen = false;
    std::string m_content;
    std::string m_resources; // the page's images, "/Im<n> <n> 0 R" each
    // Text drawn as masks, by font and text: the title and notes repeat on every page, and
    // each page then refers to the one mask object instead of drawing and storing it again.
    struct MaskObject {
        int object = 0;
        int width = 0;
        int height = 0;
    };
    std::map<std::string, MaskObject> m_masks;
};

} // namespace pixelon
