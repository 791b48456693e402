#pragma once

#include "animation/AnimationLists.h"
#include "animation/Playback.h"
#include "platform/Surface.h"

namespace pixelon {

struct AnimationSize;
class CPortfolio;

// The preview's one-shot timer. The window runs a real one and calls
// AnimationEditor::timerFired when it runs out; tests run a fake and fire it themselves.
class PreviewTimer {
public:
    virtual ~PreviewTimer() = default;
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
};

// The Animation Editor's preview of the lists' current animation: the picture it shows, its
// zoom, the frame the scroll bar stands at, and the playback that steps through the frames on
// the timer. It reads the portfolio's pictures and the lists and changes neither.
class PreviewPlayback {
public:
    static constexpr int StoryboardSize = 32; // the thumbnails' box, in pixels
    static constexpr int NoFrameDelay = 100;

    PreviewPlayback(const CPortfolio& portfolio, const AnimationLists& lists, PreviewTimer* timer,
                    bool zoom, double viewRatio);
    ~PreviewPlayback(); // stops the timer while playing
    PreviewPlayback(const PreviewPlayback&) = delete;
    PreviewPlayback& operator=(const PreviewPlayback&) = delete;

    const Surface& surface() const { return m_preview; }
    // A new, white preview of that size, showing the frame at the scroll position.
    void resize(int width, int height);
    double scale() const;
    // The part of the preview that shows the animation's screen; the rest is background.
    Rect screen() const;
    bool zoom() const { return m_zoom; }
    void setZoom(bool zoom);

    int position() const { return m_position; }
    int scrollMaximum() const; // nframes - 1, 0 without frames
    void scrollTo(int position);
    // Keeps the scroll position within the current animation's frames after some went.
    void clampPosition();
    // Draws the frame at the scroll position again onto a white preview.
    void redraw();
    // Draws frame `frame` over what the preview shows and moves the scroll position there.
    void show(int frame);
    // Another animation became current: back to its first frame, restarting a playback.
    void startOver();

    bool animating() const { return m_animating; }
    // Starts or stops the playback; false when it already was so.
    bool setAnimate(bool on);
    // The loop settings changed: a running playback starts again under them.
    void loopChanged();
    void stop();
    // One step of the playback; false when it was not playing, so nothing changed.
    bool timerFired();

    // A frame's picture scaled down (never up) to fit the storyboard box; empty when missing.
    Surface thumbnail(int frame) const;

private:
    // How the preview shows the current animation: its scale along each axis and the part of
    // the preview that is the animation's screen.
    struct Geometry {
        double sx = 1.0;
        double sy = 1.0;
        Rect screen;
    };
    Geometry geometry() const;
    double scaleFor(const AnimationSize& screen) const;
    void restart();
    void draw(const AnimationFrame& frame);

    const CPortfolio& m_portfolio;
    const AnimationLists& m_lists;
    PreviewTimer* m_timer;
    bool m_zoom;
    double m_viewRatio;
    int m_position = 0;
    bool m_animating = false;
    PlaybackCursor m_cursor;
    Surface m_preview;
};

} // namespace pixelon
