#include "animation/Playback.h"

namespace pixelon {

namespace {

constexpr int Backwards = 1;
constexpr int PingPong = 2;

bool passesDone(const Animation& a, int passes) {
    return a.nrepeats != 0 && passes >= a.nrepeats;
}

// After the last pass: the tail, if there are frames after the loop section, else the end.
void leaveLoop(PlaybackCursor& c, const LoopSection& loop, int frames) {
    if (loop.end >= frames - 1) {
        c.phase = PlaybackPhase::Finished;
        c.frame = frames - 1;
    } else {
        c.phase = PlaybackPhase::Tail;
        c.frame = loop.end + 1;
    }
}

void enterLoop(PlaybackCursor& c, const Animation& a, const LoopSection& loop) {
    if (a.loopmode == Backwards) {
        c.phase = PlaybackPhase::LoopBackwards;
        c.frame = loop.end;
    } else {
        c.phase = PlaybackPhase::LoopForwards;
        c.frame = loop.start;
    }
}

} // namespace

LoopSection effectiveLoop(const Animation& a) {
    const int frames = int(a.frames.size());
    if (a.loopstart < 0 || a.loopstart >= frames)
        return {};
    const int end = a.loopend < a.loopstart || a.loopend >= frames ? frames - 1 : a.loopend;
    return {a.loopstart, end};
}

PlaybackCursor startPlayback(const Animation& animation) {
    PlaybackCursor c;
    c.animation = &animation;
    if (animation.frames.empty())
        return c; // finished
    const LoopSection loop = effectiveLoop(animation);
    if (loop.start != 0) {
        c.phase = PlaybackPhase::LeadIn;
        c.frame = 0;
    } else {
        enterLoop(c, animation, loop);
    }
    return c;
}

bool stepPlayback(PlaybackCursor& c) {
    if (!c.animation || c.finished())
        return false;
    const Animation& a = *c.animation;
    const int frames = int(a.frames.size());
    const LoopSection loop = effectiveLoop(a);
    const bool inLoop =
        c.phase == PlaybackPhase::LoopForwards || c.phase == PlaybackPhase::LoopBackwards;
    if (frames == 0 || (inLoop && loop.start < 0)) {
        c.phase = PlaybackPhase::Finished; // the frames or the loop went away while playing
        return false;
    }
    switch (c.phase) {
    case PlaybackPhase::LeadIn:
        ++c.frame;
        if (loop.start >= 0 && c.frame >= loop.start)
            enterLoop(c, a, loop);
        else if (c.frame >= frames)
            c.phase = PlaybackPhase::Finished; // no loop section: every frame once
        break;
    case PlaybackPhase::LoopForwards:
        ++c.frame;
        if (c.frame > loop.end) {
            ++c.passes;
            if (passesDone(a, c.passes)) {
                leaveLoop(c, loop, frames);
            } else if (a.loopmode == PingPong) {
                c.phase = PlaybackPhase::LoopBackwards;
                // A one-frame section has nothing to turn back to: it shows that frame again.
                c.frame = loop.end - 1 < loop.start ? loop.start : loop.end - 1;
            } else {
                c.frame = loop.start;
            }
        } else if (c.frame < loop.start) {
            c.frame = loop.start; // the section moved while playing
        }
        break;
    case PlaybackPhase::LoopBackwards:
        --c.frame;
        if (c.frame < loop.start) {
            ++c.passes;
            if (passesDone(a, c.passes)) {
                leaveLoop(c, loop, frames);
            } else if (a.loopmode == PingPong) {
                c.phase = PlaybackPhase::LoopForwards;
                c.frame = loop.start + 1 > loop.end ? loop.end : loop.start + 1;
            } else {
                c.frame = loop.end;
            }
        } else if (c.frame > loop.end) {
            c.frame = loop.end;
        }
        break;
    case PlaybackPhase::Tail:
        ++c.frame;
        if (c.frame >= frames)
            c.phase = PlaybackPhase::Finished;
        break;
    case PlaybackPhase::Finished:
        break;
    }
    if (c.finished()) {
        c.frame = frames - 1;
        return false;
    }
    return true;
}

} // namespace pixelon
