#pragma once

#include "core/Animation.h"

namespace pixelon {

enum class PlaybackPhase : int {
    LeadIn = 0, // frames before the loop section
    LoopForwards = 1,
    LoopBackwards = 2,
    Tail = 3, // frames after the loop section
    Finished = 4,
};

// Where playback of an animation stands: the frame shown, the phase and the passes through the
// loop section made so far. The animation must outlive the cursor; the cursor reads its frames
// and loop settings afresh at every step, so edits made while playing cannot push it out of range.
struct PlaybackCursor {
    PlaybackPhase phase = PlaybackPhase::Finished;
    int frame = 0;
    int passes = 0;
    const Animation* animation = nullptr;

    bool finished() const { return phase == PlaybackPhase::Finished; }
};

// The loop section as playback uses it: [start, end] within the frames, or none (start -1).
// An unset or out-of-range end means the last frame; a start beyond the frames means no loop.
struct LoopSection {
    int start = -1;
    int end = -1;
};
LoopSection effectiveLoop(const Animation& animation);

// The cursor at the first frame shown. An animation without frames is finished at once.
PlaybackCursor startPlayback(const Animation& animation);

// Moves to the next frame after the shown frame's delay has run out; false once the animation
// has finished (the cursor then stays finished).
bool stepPlayback(PlaybackCursor& cursor);

} // namespace pixelon
