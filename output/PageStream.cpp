#include "output/PageStream.h"

#include <utility>

#include "core/Picture.h"

namespace pixelon {

namespace {

FlowCursor printCursor(const PageMetrics& metrics) {
    const int gap = metrics.PictureGap();
    return FlowCursor(metrics.PictureBounds(), gap, gap, 1);
}

} // namespace

PageStream::PageStream(int resolutionChoice, PageHandler onPage)
    : m_metrics(PageMetrics::ForChoice(resolutionChoice)), m_cursor(printCursor(m_metrics)),
      m_onPage(std::move(onPage)) {}

bool PageStream::Add(std::unique_ptr<CPicture> picture) {
    if (m_failed)
        return false;
    const Rect place = m_cursor.Place({picture->m_nWidth, picture->m_nHeight});
    // A page begins wherever the layout puts a picture back at the first picture's place.
    if (!m_placedAny) {
        m_firstPlace = place;
        m_placedAny = true;
    } else if (place.left == m_firstPlace.left && place.top == m_firstPlace.top && !flush()) {
        return false;
    }
    m_page.push_back({picture.get(), place});
    m_held.push_back(std::move(picture));
    return true;
}

bool PageStream::Finish() {
    if (m_failed)
        return false;
    return flush();
}

bool PageStream::flush() {
    const bool drawn = m_onPage(m_pagesDone + 1, m_page);
    ++m_pagesDone;
    m_page.clear();
    m_held.clear();
    m_failed = !drawn;
    return drawn;
}

} // namespace pixelon
