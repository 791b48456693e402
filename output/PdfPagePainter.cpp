#include "output/PdfPagePainter.h"

#include <algorithm>

#include "output/PdfDocument.h"
#include "output/PdfImage.h"
#include "output/PdfText.h"

namespace pixelon {

namespace {

// A4 in millimetres, and the points PDF measures in.
constexpr double SheetWidthMm = 210;
constexpr double SheetHeightMm = 297;
constexpr double PointsPerInch = 72;
constexpr double MmPerInch = 25.4;
constexpr double SheetWidthInches = SheetWidthMm / MmPerInch;
constexpr double SheetHeightInches = SheetHeightMm / MmPerInch;
constexpr double SheetWidthPt = SheetWidthInches * PointsPerInch;
constexpr double SheetHeightPt = SheetHeightInches * PointsPerInch;

// The line metrics of Helvetica's common metric-compatible faces, in ems: a line from its top
// to its bottom is their sum, and the page asks for fonts by that height.
constexpr double AscentEm = 0.905;
constexpr double DescentEm = 0.212;
constexpr double UnderlineOffsetEm = 0.106;
constexpr double UnderlineThicknessEm = 0.073;

} // namespace

PdfPagePainter::PdfPagePainter(PdfDocument& document, int dotsPerInch, TextRasterizer* rasterizer)
    : m_document(document), m_rasterizer(rasterizer), m_dotsPerInch(std::max(1, dotsPerInch)) {}

void PdfPagePainter::StartPage() {
    EndPage();
    m_pageOpen = true;
    // Page units are device pixels, y downwards from the top of the sheet.
    const double k = PointsPerInch / m_dotsPerInch;
    m_content = "q " + PdfNumber(k) + " 0 0 " + PdfNumber(-k) + " 0 " + PdfNumber(SheetHeightPt) +
                " cm 1 w 0 g 0 G\n";
}

void PdfPagePainter::EndPage() {
    if (!m_pageOpen)
        return;
    m_pageOpen = false;
    m_content += "Q\n";
    const std::string resources =
        m_resources.empty() ? std::string() : "/XObject << " + m_resources + ">>";
    m_document.AddPage(m_content, resources, SheetWidthPt, SheetHeightPt);
    m_content.clear();
    m_resources.clear();
}

bool PdfPagePainter::setFont(const PageFont& font) {
    m_font = font;
    return true;
}

double PdfPagePainter::EmSize() const {
    return std::max(0.0, m_font.height) / (AscentEm + DescentEm);
}

double PdfPagePainter::Ascent() const {
    return EmSize() * AscentEm;
}

std::optional<std::string> PdfPagePainter::Encode(std::string_view text) const {
    if (m_rasterizer)
        return WinAnsiText(text);
    return WinAnsiTextReplacing(text, '?');
}

double PdfPagePainter::WidthOf(std::string_view text, const std::optional<std::string>& encoded) {
    if (encoded)
        return HelveticaAdvance(*encoded, m_font.weight >= 600) * EmSize() / 1000;
    return m_rasterizer->textWidth(m_font, text);
}

double PdfPagePainter::textWidth(std::string_view text) {
    return WidthOf(text, Encode(text));
}

void PdfPagePainter::drawText(const PageRect& box, std::string_view text, TextAlign align) {
    if (!m_pageOpen || text.empty())
        return;
    const std::optional<std::string> encoded = Encode(text);
    const double width = WidthOf(text, encoded);
    const double left =
        align == TextAlign::Centre ? box.left + (box.width() - width) / 2 : box.left;
    const double baseline = box.top + Ascent();
    if (encoded) {
        m_content += "BT /" + std::string(m_font.weight >= 600 ? "F2 " : "F1 ") +
                     PdfNumber(EmSize()) + " Tf 1 0 0 -1 " + PdfNumber(left) + " " +
                     PdfNumber(baseline) + " Tm " + PdfLiteral(*encoded) + " Tj ET\n";
    } else {
        DrawTextMask(left, box.top, text);
    }
    if (m_font.underline) {
        const double y = baseline + UnderlineOffsetEm * EmSize();
        m_content += "q " + PdfNumber(UnderlineThicknessEm * EmSize()) + " w " + PdfNumber(left) +
                     " " + PdfNumber(y) + " m " + PdfNumber(left + width) + " " + PdfNumber(y) +
                     " l S Q\n";
    }
}

void PdfPagePainter::DrawTextMask(double left, double top, std::string_view text) {
    // A handful of texts repeat from page to page; a bound keeps any other use small.
    constexpr std::size_t MaxMasks = 64;
    std::string key = m_font.family + '\0' + PdfNumber(m_font.height) + '\0' +
                      std::to_string(m_font.weight) + '\0' + std::string(text);
    auto found = m_masks.find(key);
    if (found == m_masks.end()) {
        const TextMask mask = m_rasterizer->render(m_font, text);
        const std::size_t rowBytes = (std::size_t(std::max(0, mask.width)) + 7) / 8;
        if (mask.width <= 0 || mask.height <= 0 ||
            mask.bits.size() < rowBytes * std::size_t(mask.height))
            return;
        MaskObject made{m_document.Reserve(), mask.width, mask.height};
        const PdfImage image =
            EncodeMaskObject(mask.width, mask.height, mask.bits, m_document.Compressor());
        m_document.WriteStream(made.object, image.entries, image.data);
        if (m_masks.size() >= MaxMasks)
            m_masks.clear();
        found = m_masks.emplace(std::move(key), made).first;
    }
    const MaskObject& mask = found->second;
    // A page names each of its objects once.
    const std::string name = "/Im" + std::to_string(mask.object);
    if (m_resources.find(name + " ") == std::string::npos)
        UseObject(mask.object);
    PlaceImage({left, top, left + mask.width, top + mask.height}, name + " Do\n");
}

void PdfPagePainter::drawBitmap(const PageRect& target, const Surface& bitmap) {
    if (!m_pageOpen || bitmap.empty())
        return;
    EncodedBitmap encoded = EncodeBitmap(bitmap, m_document.Compressor());
    if (encoded.inlineImage.empty()) {
        const int object = m_document.Reserve();
        m_document.WriteStream(object, encoded.object.entries, encoded.object.data);
        UseObject(object);
        encoded.inlineImage = "/Im" + std::to_string(object) + " Do\n";
    }
    PlaceImage(target, encoded.inlineImage);
}

void PdfPagePainter::PlaceImage(const PageRect& target, std::string_view image) {
    // An image fills the unit square, its first row at the top: the square is stretched onto
    // the target, flipped, since page units run downwards.
    m_content += "q " + PdfNumber(target.width()) + " 0 0 " + PdfNumber(-target.height()) + " " +
                 PdfNumber(target.left) + " " + PdfNumber(target.bottom) + " cm\n";
    m_content += image;
    m_content += "Q\n";
}

void PdfPagePainter::UseObject(int number) {
    m_resources += "/Im" + std::to_string(number) + " " + std::to_string(number) + " 0 R ";
}

void PdfPagePainter::drawLine(double x1, double y1, double x2, double y2) {
    if (!m_pageOpen)
        return;
    m_content += PdfNumber(x1) + " " + PdfNumber(y1) + " m " + PdfNumber(x2) + " " + PdfNumber(y2) +
                 " l S\n";
}

PageRect PdfPagePainter::visibleArea() const {
    return {0, 0, SheetWidthInches * m_dotsPerInch, SheetHeightInches * m_dotsPerInch};
}

} // namespace pixelon
