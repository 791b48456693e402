#include "animation/PreviewPlayback.h"

#include <algorithm>
#include <cmath>

#include "animation/AnimationExport.h"
#include "core/Portfolio.h"

namespace pixelon {

namespace {

constexpr Colour White = 0x00FFFFFF;
// A zero or negative delay would make the preview's timer spin; the preview waits at least this.
constexpr int MinPreviewDelay = 10;

// The screen the preview clips to: the animation's own size, or, while that is not set, the
// size its frames need.
AnimationSize screenOf(const Animation& a, const CPortfolio& portfolio) {
    if (a.width > 0 && a.height > 0)
        return {a.width, a.height};
    return animationSize(a, portfolio);
}

bool inRange(int index, std::size_t size) {
    return index >= 0 && std::size_t(index) < size;
}

} // namespace

PreviewPlayback::PreviewPlayback(const CPortfolio& portfolio, const AnimationLists& lists,
                                 PreviewTimer* timer, bool zoom, double viewRatio)
    : m_portfolio(portfolio), m_lists(lists), m_timer(timer), m_zoom(zoom),
      m_viewRatio(viewRatio > 0 ? viewRatio : 1.0) {}

PreviewPlayback::~PreviewPlayback() {
    if (m_animating && m_timer)
        m_timer->stop();
}

void PreviewPlayback::resize(int width, int height) {
    m_preview = Surface(std::max(0, width), std::max(0, height), White);
    show(m_position);
}

double PreviewPlayback::scaleFor(const AnimationSize& screen) const {
    if (!m_zoom || screen.width <= 0 || screen.height <= 0 || m_preview.empty())
        return 1.0;
    const double scale = std::min(m_preview.width() / (screen.width * m_viewRatio),
                                  double(m_preview.height()) / screen.height);
    return scale > 1.0 ? std::floor(scale) : scale;
}

double PreviewPlayback::scale() const {
    const Animation* a = m_lists.current();
    if (!m_zoom || !a)
        return 1.0;
    return scaleFor(screenOf(*a, m_portfolio));
}

PreviewPlayback::Geometry PreviewPlayback::geometry() const {
    const Animation* a = m_lists.current();
    if (!a)
        return {};
    const AnimationSize screen = screenOf(*a, m_portfolio);
    const double scale = scaleFor(screen);
    Geometry g;
    g.sx = m_zoom ? scale * m_viewRatio : 1.0;
    g.sy = scale;
    g.screen =
        Rect{0, 0, int(std::lround(screen.width * g.sx)), int(std::lround(screen.height * g.sy))}
            .intersected(m_preview.bounds());
    return g;
}

Rect PreviewPlayback::screen() const {
    return geometry().screen;
}

void PreviewPlayback::setZoom(bool zoom) {
    m_zoom = zoom;
    redraw();
}

int PreviewPlayback::scrollMaximum() const {
    const Animation* a = m_lists.current();
    return a && !a->frames.empty() ? int(a->frames.size()) - 1 : 0;
}

void PreviewPlayback::scrollTo(int position) {
    show(std::clamp(position, 0, scrollMaximum()));
}

void PreviewPlayback::clampPosition() {
    if (m_lists.current())
        m_position = std::min(m_position, scrollMaximum());
}

void PreviewPlayback::redraw() {
    m_preview.fill(White);
    show(m_position);
}

void PreviewPlayback::show(int frame) {
    m_position = std::max(0, frame);
    const Animation* a = m_lists.current();
    if (a && inRange(frame, a->frames.size()))
        draw(a->frames[std::size_t(frame)]);
}

void PreviewPlayback::startOver() {
    m_position = 0;
    m_preview.fill(White);
    if (m_animating)
        restart();
    else
        show(0);
}

void PreviewPlayback::draw(const AnimationFrame& frame) {
    const Animation& a = *m_lists.current();
    if (a.clearbetweenframes)
        m_preview.fill(White);
    const CPicture* picture = m_portfolio.FindPicture(frame.id);
    if (!picture || picture->m_nWidth <= 0 || picture->m_nHeight <= 0)
        return;
    // The scale and the screen are worked out once for the whole frame.
    const Geometry g = geometry();
    const double sx = g.sx, sy = g.sy;
    const Rect& clip = g.screen;
    // The frame's place on the preview, in 64 bits: offsets may be anything a file holds.
    const long long left = std::llround(frame.xoffset * sx);
    const long long top = std::llround(frame.yoffset * sy);
    const long long right = left + std::llround(picture->m_nWidth * sx);
    const long long bottom = top + std::llround(picture->m_nHeight * sy);
    const int x0 = int(std::max<long long>(left, clip.left));
    const int y0 = int(std::max<long long>(top, clip.top));
    const int x1 = int(std::min<long long>(right, clip.right));
    const int y1 = int(std::min<long long>(bottom, clip.bottom));
    if (x0 >= x1 || y0 >= y1)
        return;
    Surface bitmap = picture->MakeBitmap();
    picture->Draw(bitmap, 0, 0);
    // Each preview pixel takes the picture pixels that fall on it; when shrinking, their AND,
    // so black lines survive. Only the visible part is computed, however large the scale.
    auto sourceSpan = [](long long from, double factor, int limit) {
        const int first = std::clamp(int(std::floor(double(from) / factor)), 0, limit - 1);
        const int last = std::clamp(int(std::floor(double(from + 1) / factor)), first + 1, limit);
        return std::pair{first, last};
    };
    for (int ty = y0; ty < y1; ++ty) {
        const auto [sy0, sy1] = sourceSpan(ty - top, sy, picture->m_nHeight);
        for (int tx = x0; tx < x1; ++tx) {
            const auto [sx0, sx1] = sourceSpan(tx - left, sx, picture->m_nWidth);
            Colour c = White;
            for (int y = sy0; y < sy1; ++y)
                for (int x = sx0; x < sx1; ++x)
                    c &= bitmap.pixel(x, y);
            m_preview.setPixel(tx, ty, frame.disposal == 1 ? (m_preview.pixel(tx, ty) & c) : c);
        }
    }
}

// ----- playback

void PreviewPlayback::restart() {
    const Animation* a = m_lists.current();
    if (!a) {
        stop();
        return;
    }
    m_cursor = startPlayback(*a);
    m_preview.fill(White);
    int delay = NoFrameDelay;
    if (!m_cursor.finished()) {
        show(m_cursor.frame);
        delay = a->frames[std::size_t(m_cursor.frame)].framedelay;
    }
    if (m_timer)
        m_timer->start(std::max(MinPreviewDelay, delay));
}

void PreviewPlayback::stop() {
    if (m_animating && m_timer)
        m_timer->stop();
    m_animating = false;
}

bool PreviewPlayback::setAnimate(bool on) {
    if (on == m_animating)
        return false;
    if (on && m_lists.current()) {
        m_animating = true;
        restart();
    } else {
        stop();
    }
    return true;
}

void PreviewPlayback::loopChanged() {
    if (m_animating)
        restart();
}

bool PreviewPlayback::timerFired() {
    const Animation* a = m_lists.current();
    if (!m_animating || !a)
        return false;
    m_cursor.animation = a; // the working copies may have moved since the last step
    if (!stepPlayback(m_cursor)) {
        m_animating = false; // the timer was one-shot: nothing left to stop
        return true;
    }
    show(m_cursor.frame);
    if (m_timer)
        m_timer->start(
            std::max(MinPreviewDelay, a->frames[std::size_t(m_cursor.frame)].framedelay));
    return true;
}

Surface PreviewPlayback::thumbnail(int frame) const {
    const Animation* a = m_lists.current();
    if (!a || !inRange(frame, a->frames.size()))
        return {};
    const CPicture* picture = m_portfolio.FindPicture(a->frames[std::size_t(frame)].id);
    if (!picture || picture->m_nWidth <= 0 || picture->m_nHeight <= 0)
        return {};
    Surface bitmap = picture->MakeBitmap();
    picture->Draw(bitmap, 0, 0);
    const int longest = std::max(picture->m_nWidth, picture->m_nHeight);
    if (longest <= StoryboardSize)
        return bitmap;
    Surface small(std::max(1, picture->m_nWidth * StoryboardSize / longest),
                  std::max(1, picture->m_nHeight * StoryboardSize / longest), White);
    small.stretchFrom(bitmap, bitmap.bounds(), small.bounds());
    return small;
}

} // namespace pixelon
