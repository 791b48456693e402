#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "output/FlowLayout.h"
#include "output/PagePainter.h"

namespace pixelon {

class CAppSettings;
class CPicture;
class CPortfolio;
class Feedback;

// An exact fraction, so that sizes derived from the factors below are not off by rounding.
struct Fraction {
    int numerator = 1;
    int denominator = 1;
    constexpr double value() const { return double(numerator) / denominator; }
};

// One of the three printer resolutions the user picks before printing.
struct PrintResolution {
    std::string_view label;
    Fraction scale;       // s: page sizes are divided by it
    Fraction pixelFactor; // f: a picture pixel is 20 / f device units wide
    int dotsPerInch;      // the device resolution the sizes are meant for
};

inline constexpr std::array<PrintResolution, 3> PrintResolutions{{
    {"Low Res (300dpi)", {2, 1}, {8, 5}, 300},
    {"Hi Res (600dpi)", {1, 1}, {1, 1}, 600},
    {"Test resolution (~900dpi)", {3, 4}, {3, 4}, 900},
}};

// The resolution of a stored choice; a choice outside the table means the first one.
int ValidResolutionChoice(int choice);
const PrintResolution& ResolutionOf(int choice);

// The sizes of a printed page, in device units, for one resolution.
struct PageMetrics {
    double scale = 1;
    double pixel = 20; // c: the side of one magnified picture pixel
    double margin = 250;
    double lineUnit = 180;
    double headerBitmapHeight = 150;
    double pageWidth = 4680;
    double pageHeight = 6500;
    int dotsPerInch = 600;
    Fraction exactScale;
    Fraction exactPixelFactor;

    static PageMetrics ForChoice(int choice);
    // The area the pictures flow in, in picture pixels, each side rounded down from its exact
    // value (a side that is a whole number of picture pixels is never one pixel short).
    Rect PictureBounds() const;
    // Both gaps between pictures, in picture pixels.
    int PictureGap() const;
    // A length given in device units at the 600 dpi scale (s = 1), in whole picture pixels.
    int InPicturePixels(int units) const;
};

// The last-modified time of the document's file, local time; all 0 when there is no file.
struct FileStamp {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};
FileStamp FileStampOf(const std::filesystem::path& path);

// What the page header shows besides the portfolio itself.
struct PageHeader {
    std::string documentTitle;
    FileStamp stamp;
};

// A block of picture pixels, [left, right) x [top, bottom).
struct PixelSpan {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool empty() const { return left >= right || top >= bottom; }
    friend bool operator==(const PixelSpan&, const PixelSpan&) = default;
};

struct PageOptions {
    bool printing = true; // false in print preview, which never shows the grid
    bool showGrid = false;
};

inline constexpr std::string_view FontFailedText =
    "Failed to create font 'MS Sans Serif'.\nPlease load this font into your system.";

// A picture of a printed page and its place in the layout, in picture pixels.
struct PlacedPicture {
    const CPicture* picture = nullptr;
    Rect place;
};

// What every printed page shows of its portfolio: the title line and the notes line, before
// the notes are cut to fit.
struct PortfolioHeading {
    std::string title;
    std::string notes;
    friend bool operator==(const PortfolioHeading&, const PortfolioHeading&) = default;
};
PortfolioHeading HeadingOf(const CPortfolio& portfolio);

// A picture's rectangle on the page, in device units, from its place in the layout.
PageRect PictureRectOf(const PageMetrics& metrics, const Rect& place);
// The picture pixels of a picture placed at `place` that meet `visible` (page units); empty when
// none.
PixelSpan VisiblePixelsOf(const PageMetrics& metrics, const Rect& place, const PageRect& visible);

// Draws printed page `page`: the header, then `pictures`, laid out for `metrics`. False (after
// telling the user) when the fonts cannot be made.
bool DrawPrintedPage(PagePainter& painter, const PageMetrics& metrics,
                     const PortfolioHeading& heading, int page,
                     std::span<const PlacedPicture> pictures, const PageHeader& header,
                     const PageOptions& options, Feedback& feedback);

// The portfolio laid out on printed pages, and the drawing of one page.
class PrintJob {
public:
    PrintJob(const CPortfolio& portfolio, int resolutionChoice);

    const PageMetrics& Metrics() const { return m_metrics; }
    const FlowLayoutResult& Layout() const { return m_layout; }
    // The pages to print: one a page start, and one header page for an empty portfolio.
    int PageCount() const;
    // The pictures of page n (1-based) as [first, end).
    std::pair<int, int> PagePictures(int page) const;

    // Draws page n. False (after telling the user) when the fonts cannot be made.
    bool DrawPage(PagePainter& painter, int page, const PageHeader& header,
                  const PageOptions& options, Feedback& feedback) const;

    // The text lines of the header, as drawn.
    std::string TitleText() const;
    static std::string VersionText(const FileStamp& stamp, int page);
    std::string NotesText() const;
    // The picture's rectangle on the page, in device units.
    PageRect PictureRect(int index) const;
    // The picture pixels of picture `index` that meet `visible` (page units); empty when none.
    PixelSpan VisiblePixels(int index, const PageRect& visible) const;

private:
    const CPortfolio& m_portfolio;
    PageMetrics m_metrics;
    FlowLayoutResult m_layout;
    std::vector<int> m_pageStarts;
};

// `text` cut so that it and a trailing "..." fit in `width`; unchanged when it fits whole.
std::string ElideText(PagePainter& painter, std::string_view text, double width);

// The picture drawn in the page header: a phone showing a magnified picture.
const Surface& HeaderPicture();

// The choice to preselect in the resolution chooser, and storing the user's choice.
int StoredResolutionChoice(const CAppSettings& settings);
void StoreResolutionChoice(CAppSettings& settings, int choice);

} // namespace pixelon
