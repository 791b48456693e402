#pragma once

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "output/FlowLayout.h"
#include "output/PrintPage.h"

namespace pixelon {

class CPicture;

// Printed pages of pictures that arrive one at a time in print order (ascending IDs): laid out
// exactly as PrintJob lays out a whole portfolio, each page handed on as soon as the picture
// that opens the next page arrives, and its pictures released once it is drawn. Only one page's
// pictures are held at a time.
class PageStream {
public:
    // Draws page `page` (1-based) of `pictures`; false stops the stream.
    using PageHandler = std::function<bool(int page, std::span<const PlacedPicture> pictures)>;

    PageStream(int resolutionChoice, PageHandler onPage);

    const PageMetrics& Metrics() const { return m_metrics; }
    // Places the next picture; false when a page was refused (nothing more is taken then).
    bool Add(std::unique_ptr<CPicture> picture);
    // Hands on the last page, or the one header page when no picture came.
    bool Finish();
    // The pages handed on so far.
    int PagesDone() const { return m_pagesDone; }

private:
    bool flush();

    PageMetrics m_metrics;
    FlowCursor m_cursor;
    PageHandler m_onPage;
    Rect m_firstPlace;
    bool m_placedAny = false;
    bool m_failed = false;
    int m_pagesDone = 0;
    std::vector<std::unique_ptr<CPicture>> m_held;
    std::vector<PlacedPicture> m_page;
};

} // namespace pixelon
