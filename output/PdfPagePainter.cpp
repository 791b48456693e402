#include "output/PdfPagePainter.h"

#include <algorithm>

#include "core/Utf8.h"
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

// The line metrics of Helvetica's common metric-compatible faces, in ems: a line from its top
// to its bottom is their sum, and the page asks for fonts by that height.
constexpr double AscentEm = 0.905;
constexpr double DescentEm = 0.212;
constexpr double UnderlineOffsetEm = 0.106;
constexpr double UnderlineThicknessEm = 0.073;

std::string Number(double value) {
    return PdfNumber(value);
}

} // namespace

PdfPagePainter::PdfPagePainter(PdfDocument& document, int dotsPerInch, TextRasterizer* rasterizer)
    : m_document(document), m_rasterizer(rasterizer), m_dotsPerInch(std::max(1, dotsPerInch)) {}

void PdfPagePainter::StartPage() {
    EndPage();
    m_pageOpen = true;
    m_content.clear();
    m_resources.clear();
    // Page units are device pixels, y downwards from the top of the sheet.
    const double k = PointsPerInch / m_dotsPerInch;
    m_content = "q " + Number(k) + " 0 0 " + Number(-k) + " 0 " +
                Number(SheetHeightMm / MmPerInch * PointsPerInch) + " cm 1 w 0 g 0 G\n";
}

void PdfPagePainter::EndPage() {
    if (!m_pageOpen)
        return;
    m_pageOpen = false;
    m_content += "Q\n";
    const std::string resources =
        m_resources.empty() ? std::string() : "/XObject << " + m_resources + ">>";
    m_document.AddPage(m_content, resources, SheetWidthMm / MmPerInch * PointsPerInch,
                       SheetHeightMm / MmPerInch * PointsPerInch);
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
    if (auto encoded = WinAnsiText(text))
        return encoded;
    if (m_rasterizer)
        return std::nullopt;
    std::string out;
    for (const char32_t cp : decodeUtf8(text))
        out += (cp >= 0x20 && cp <= 0x7E) || (cp >= 0xA0 && cp <= 0xFF) ? char(cp) : '?';
    return out;
}

double PdfPagePainter::textWidth(std::string_view text) {
    if (const auto encoded = Encode(text))
        return HelveticaAdvance(*encoded, m_font.weight >= 600) * EmSize() / 1000;
    return m_rasterizer->textWidth(m_font, text);
}

void PdfPagePainter::drawText(const PageRect& box, std::string_view text, TextAlign align) {
    if (!m_pageOpen || text.empty())
        return;
    const double width = textWidth(text);
    const double left =
        align == TextAlign::Centre ? box.left + (box.width() - width) / 2 : box.left;
    const double baseline = box.top + Ascent();
    if (const auto encoded = Encode(text)) {
        m_content += "BT /" + std::string(m_font.weight >= 600 ? "F2 " : "F1 ") + Number(EmSize()) +
                     " Tf 1 0 0 -1 " + Number(left) + " " + Number(baseline) + " Tm " +
                     PdfLiteral(*encoded) + " Tj ET\n";
    } else {
        DrawTextMask(left, box.top, text);
    }
    if (m_font.underline) {
        const double y = baseline + UnderlineOffsetEm * EmSize();
        m_content += "q " + Number(UnderlineThicknessEm * EmSize()) + " w " + Number(left) + " " +
                     Number(y) + " m " + Number(left + width) + " " + Number(y) + " l S Q\n";
    }
}

void PdfPagePainter::DrawTextMask(double left, double top, std::string_view text) {
    // A handful of texts repeat from page to page; a bound keeps any other use small.
    constexpr std::size_t MaxMasks = 64;
    std::string key = m_font.family + '\0' + Number(m_font.height) + '\0' +
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
    std::string image = EncodeInlineImage(bitmap);
    if (image.empty()) {
        const int object = m_document.Reserve();
        const PdfImage encoded = EncodeImageObject(bitmap, m_document.Compressor());
        m_document.WriteStream(object, encoded.entries, encoded.data);
        UseObject(object);
        image = "/Im" + std::to_string(object) + " Do\n";
    }
    PlaceImage(target, image);
}

void PdfPagePainter::PlaceImage(const PageRect& target, std::string_view image) {
    // An image fills the unit square, its first row at the top: the square is stretched onto
    // the target, flipped, since page units run downwards.
    m_content += "q " + Number(target.width()) + " 0 0 " + Number(-target.height()) + " " +
                 Number(target.left) + " " + Number(target.bottom) + " cm\n";
    m_content += image;
    m_content += "Q\n";
}

void PdfPagePainter::UseObject(int number) {
    m_resources += "/Im" + std::to_string(number) + " " + std::to_string(number) + " 0 R ";
}

void PdfPagePainter::drawLine(double x1, double y1, double x2, double y2) {
    if (!m_pageOpen)
        return;
    m_content += Number(x1) + " " + Number(y1) + " m " + Number(x2) + " " + Number(y2) + " l S\n";
}

PageRect PdfPagePainter::visibleArea() const {
    return {0, 0, SheetWidthMm / MmPerInch * m_dotsPerInch,
            SheetHeightMm / MmPerInch * m_dotsPerInch};
}

} // namespace pixelon
