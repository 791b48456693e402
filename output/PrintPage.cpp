#include "output/PrintPage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "core/AppSettings.h"
#include "core/Portfolio.h"
#include "operations/Ids.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

constexpr std::string_view Ellipsis = "...";

std::string format(const char* pattern, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// The length of the longest prefix of `text` not longer than `length` that ends on a UTF-8
// character boundary.
std::size_t characterBoundary(std::string_view text, std::size_t length) {
    while (length > 0 && length < text.size() && (std::uint8_t(text[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

} // namespace

int ValidResolutionChoice(int choice) {
    return choice >= 0 && choice < int(PrintResolutions.size()) ? choice : 0;
}

const PrintResolution& ResolutionOf(int choice) {
    return PrintResolutions[std::size_t(ValidResolutionChoice(choice))];
}

PageMetrics PageMetrics::ForChoice(int choice) {
    const PrintResolution& r = ResolutionOf(choice);
    PageMetrics m;
    const double s = r.scale.value();
    m.scale = s;
    m.pixel = 20 / r.pixelFactor.value();
    m.margin = 250 / s;
    m.lineUnit = 180 / s;
    m.headerBitmapHeight = 150 / s;
    m.pageWidth = 4680 / s;
    m.pageHeight = 6500 / s;
    m.dotsPerInch = r.dotsPerInch;
    m.exactScale = r.scale;
    m.exactPixelFactor = r.pixelFactor;
    return m;
}

int PageMetrics::InPicturePixels(int units) const {
    // units / s / (20 / f) = units * f / (20 * s), in integers; every length here is positive.
    const long long numerator =
        (long long)units * exactPixelFactor.numerator * exactScale.denominator;
    const long long denominator = 20LL * exactPixelFactor.denominator * exactScale.numerator;
    return int(numerator / denominator);
}

Rect PageMetrics::PictureBounds() const {
    return {InPicturePixels(250), InPicturePixels(250 + 2 * 180 + 150), InPicturePixels(4680 - 250),
            InPicturePixels(6500 - 250)};
}

int PageMetrics::PictureGap() const {
    return InPicturePixels(195);
}

FileStamp FileStampOf(const std::filesystem::path& path) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec)
        return {};
    const auto system = std::chrono::file_clock::to_sys(written);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(system);
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

std::string ElideText(PagePainter& painter, std::string_view text, double width) {
    if (painter.textWidth(text) <= width)
        return std::string(text);
    // Widths grow with the prefix, so the longest prefix that fits is found by bisection.
    std::size_t low = 0, high = text.size();
    while (low < high) {
        const std::size_t mid = characterBoundary(text, (low + high + 1) / 2);
        if (mid <= low) {
            high = low;
            break;
        }
        std::string candidate(text.substr(0, mid));
        candidate += Ellipsis;
        if (painter.textWidth(candidate) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    std::string result(text.substr(0, characterBoundary(text, low)));
    result += Ellipsis;
    return result;
}

int StoredResolutionChoice(const CAppSettings& settings) {
    return ValidResolutionChoice(settings.m_nPrinterRes);
}

void StoreResolutionChoice(CAppSettings& settings, int choice) {
    settings.m_nPrinterRes = ValidResolutionChoice(choice);
}

PrintJob::PrintJob(const CPortfolio& portfolio, int resolutionChoice)
    : m_portfolio(portfolio), m_metrics(PageMetrics::ForChoice(resolutionChoice)) {
    const std::vector<PictureSize> sizes = PictureSizes(portfolio);
    const int gap = m_metrics.PictureGap();
    m_layout = FlowLayout(sizes, m_metrics.PictureBounds(), gap, gap, false);
    m_pageStarts = PageStarts(m_layout);
}

int PrintJob::PageCount() const {
    return std::max<int>(1, int(m_pageStarts.size()));
}

std::pair<int, int> PrintJob::PagePictures(int page) const {
    const int count = int(m_layout.rects.size());
    if (page < 1 || page > int(m_pageStarts.size()))
        return {count, count};
    const int first = m_pageStarts[std::size_t(page - 1)];
    const int end = page < int(m_pageStarts.size()) ? m_pageStarts[std::size_t(page)] : count;
    return {first, end};
}

PortfolioHeading HeadingOf(const CPortfolio& portfolio) {
    PortfolioHeading heading;
    heading.title = "Character Bitmaps for Portfolio: " + portfolio.m_strName;
    heading.notes = "Description: " + portfolio.m_strNotes;
    for (char& ch : heading.notes)
        if (std::uint8_t(ch) <= 27)
            ch = ' ';
    return heading;
}

std::string PrintJob::TitleText() const {
    return HeadingOf(m_portfolio).title;
}

std::string PrintJob::VersionText(const FileStamp& s, int page) {
    return format("Version: %02d.%02d.%02d  %02d:%02d        Page: %d", s.year, s.month, s.day,
                  s.hour, s.minute, page);
}

std::string PrintJob::NotesText() const {
    return HeadingOf(m_portfolio).notes;
}

PageRect PictureRectOf(const PageMetrics& metrics, const Rect& r) {
    const double c = metrics.pixel;
    return {r.left * c, r.top * c, r.right * c, r.bottom * c};
}

PageRect PrintJob::PictureRect(int index) const {
    return PictureRectOf(m_metrics, m_layout.rects[std::size_t(index)]);
}

PixelSpan PrintJob::VisiblePixels(int index, const PageRect& visible) const {
    return VisiblePixelsOf(m_metrics, m_layout.rects[std::size_t(index)], visible);
}

bool PrintJob::DrawPage(PagePainter& painter, int page, const PageHeader& header,
                        const PageOptions& options, Feedback& feedback) const {
    const auto [first, end] = PagePictures(page);
    std::vector<PlacedPicture> pictures;
    pictures.reserve(std::size_t(std::max(0, end - first)));
    for (int i = first; i < end; ++i)
        pictures.push_back({&m_portfolio.Picture(i), m_layout.rects[std::size_t(i)]});
    return DrawPrintedPage(painter, m_metrics, HeadingOf(m_portfolio), page, pictures, header,
                           options, feedback);
}

PixelSpan VisiblePixelsOf(const PageMetrics& metrics, const Rect& r, const PageRect& visible) {
    const PageRect target = PictureRectOf(metrics, r);
    const double c = metrics.pixel;
    // Whole picture pixels that meet the visible area, clamped to the picture.
    auto first = [c](double from, double edge, int count) {
        return int(std::clamp(std::floor((edge - from) / c), 0.0, double(count)));
    };
    auto end = [c](double from, double edge, int count) {
        return int(std::clamp(std::ceil((edge - from) / c), 0.0, double(count)));
    };
    const int width = std::max(0, r.right - r.left);
    const int height = std::max(0, r.bottom - r.top);
    PixelSpan span{first(target.left, visible.left, width), first(target.top, visible.top, height),
                   end(target.left, visible.right, width), end(target.top, visible.bottom, height)};
    if (span.left >= span.right || span.top >= span.bottom)
        return {};
    return span;
}

namespace {

void drawPicture(PagePainter& painter, const PageMetrics& metrics, const PlacedPicture& placed,
                 bool grid) {
    const CPicture& picture = *placed.picture;
    const PageRect target = PictureRectOf(metrics, placed.place);
    const double c = metrics.pixel;
    // Only the part of the picture on the page is handed to the painter: a picture many pages
    // tall makes a bitmap no larger than the page, and nothing drawn is thrown away.
    const PixelSpan part = VisiblePixelsOf(metrics, placed.place, painter.visibleArea());
    const bool hasPixels = picture.m_nWidth > 0 && picture.m_nHeight > 0 &&
                           picture.m_pixels.size() >=
                               std::size_t(picture.m_nWidth) * std::size_t(picture.m_nHeight) * 2;
    if (!part.empty() && hasPixels) {
        Surface bitmap(part.right - part.left, part.bottom - part.top);
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x)
                bitmap.setPixel(x - part.left, y - part.top, picture.PixelColour(x, y));
        painter.drawBitmap({target.left + part.left * c, target.top + part.top * c,
                            target.left + part.right * c, target.top + part.bottom * c},
                           bitmap);
    }
    if (grid && !part.empty()) {
        const double top = target.top + part.top * c, bottom = target.top + part.bottom * c;
        const double left = target.left + part.left * c, right = target.left + part.right * c;
        for (int col = part.left; col <= part.right; ++col)
            painter.drawLine(target.left + col * c, top, target.left + col * c, bottom);
        for (int row = part.top; row <= part.bottom; ++row)
            painter.drawLine(left, target.top + row * c, right, target.top + row * c);
    }
    const double s = metrics.scale;
    const double captionTop = target.bottom + 26 / s;
    painter.drawText({target.left, captionTop, target.right, captionTop + 144 / s},
                     IdText(picture.m_nId), TextAlign::Centre);
}

} // namespace

bool DrawPrintedPage(PagePainter& painter, const PageMetrics& m, const PortfolioHeading& heading,
                     int page, std::span<const PlacedPicture> pictures, const PageHeader& header,
                     const PageOptions& options, Feedback& feedback) {
    const double s = m.scale;
    const PageFont titleFont{"MS Sans Serif", 120 / s, 600, true};
    const PageFont textFont{"MS Sans Serif", 90 / s, 600, false};
    const PageFont captionFont{"MS Sans Serif", 70 / s, 600, false};
    const double right = m.pageWidth - m.margin;

    if (!painter.setFont(titleFont)) {
        feedback.message(FontFailedText, MessageIcon::Exclamation);
        return false;
    }
    painter.drawText({m.margin, m.margin, right, m.margin + m.lineUnit}, heading.title,
                     TextAlign::Left);

    const Surface& bitmap = HeaderPicture();
    const double bitmapTop = m.margin + m.lineUnit;
    const double bitmapWidth = m.headerBitmapHeight * bitmap.width() / bitmap.height();
    painter.drawBitmap(
        {m.margin, bitmapTop, m.margin + bitmapWidth, bitmapTop + m.headerBitmapHeight}, bitmap);

    if (!painter.setFont(textFont)) {
        feedback.message(FontFailedText, MessageIcon::Exclamation);
        return false;
    }
    const double textLeft = m.margin + bitmapWidth + 60 / s;
    const double lineStep = 80 / s;
    auto line = [&](int n) {
        const double top = bitmapTop + n * lineStep;
        return PageRect{textLeft, top, right, top + textFont.height};
    };
    painter.drawText(line(0), "Document: " + header.documentTitle, TextAlign::Left);
    painter.drawText(line(1), PrintJob::VersionText(header.stamp, page), TextAlign::Left);
    painter.drawText(line(2), ElideText(painter, heading.notes, right - textLeft), TextAlign::Left);

    if (pictures.empty())
        return true;
    if (!painter.setFont(captionFont)) {
        feedback.message(FontFailedText, MessageIcon::Exclamation);
        return false;
    }
    const bool grid = options.printing && options.showGrid;
    for (const PlacedPicture& placed : pictures)
        drawPicture(painter, m, placed, grid);
    return true;
}

} // namespace pixelon
