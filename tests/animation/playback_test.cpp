#include <gtest/gtest.h>

#include <vector>

#include "animation/Playback.h"

namespace pixelon {
namespace {

Animation withFrames(int count, int loopstart, int loopend, int nrepeats, int loopmode) {
    Animation a;
    a.name = "A";
    a.frames.resize(std::size_t(count));
    a.loopstart = loopstart;
    a.loopend = loopend;
    a.nrepeats = nrepeats;
    a.loopmode = loopmode;
    return a;
}

// The frame indices shown, at most `limit` of them.
std::vector<int> played(const Animation& a, int limit = 50) {
    std::vector<int> shown;
    PlaybackCursor c = startPlayback(a);
    while (!c.finished() && int(shown.size()) < limit) {
        shown.push_back(c.frame);
        stepPlayback(c);
    }
    return shown;
}

using V = std::vector<int>;

TEST(Playback, DefaultsShowEveryFrameOnceInOrder) {
    EXPECT_EQ(played(withFrames(4, -1, -1, 1, 0)), (V{0, 1, 2, 3}));
    EXPECT_EQ(played(withFrames(1, -1, -1, 1, 0)), (V{0}));
}

TEST(Playback, LeadInLoopOnceAndTail) {
    EXPECT_EQ(played(withFrames(4, 1, 2, 1, 0)), (V{0, 1, 2, 3}));
    EXPECT_EQ(played(withFrames(6, 1, 3, 2, 0)), (V{0, 1, 2, 3, 1, 2, 3, 4, 5}));
    // Backwards loop between a lead-in and a tail.
    EXPECT_EQ(played(withFrames(5, 1, 3, 2, 1)), (V{0, 3, 2, 1, 3, 2, 1, 4}));
}

TEST(Playback, LoopTwiceForwards) {
    EXPECT_EQ(played(withFrames(3, 0, 1, 2, 0)), (V{0, 1, 0, 1, 2}));
}

TEST(Playback, BackwardsOnceOverTheWholeAnimation) {
    EXPECT_EQ(played(withFrames(3, 0, 2, 1, 1)), (V{2, 1, 0}));
}

TEST(Playback, PingPongForEverNeverFinishes) {
    EXPECT_EQ(played(withFrames(3, 0, 2, 0, 2), 11), (V{0, 1, 2, 1, 0, 1, 2, 1, 0, 1, 2}));
    // Counted ping-pong: each turn is one pass.
    EXPECT_EQ(played(withFrames(4, 0, 2, 2, 2)), (V{0, 1, 2, 1, 0, 3}));
}

TEST(Playback, ForEverForwardsKeepsReturningToLoopStart) {
    EXPECT_EQ(played(withFrames(4, 1, 2, 0, 0), 8), (V{0, 1, 2, 1, 2, 1, 2, 1}));
}

TEST(Playback, NoFramesIsFinishedAtOnce) {
    Animation a = withFrames(0, -1, -1, 1, 0);
    PlaybackCursor c = startPlayback(a);
    EXPECT_TRUE(c.finished());
    EXPECT_FALSE(stepPlayback(c));
    EXPECT_TRUE(played(withFrames(0, 0, 2, 0, 2)).empty());
}

TEST(Playback, StepReportsFinishAndStaysFinished) {
    Animation a = withFrames(2, -1, -1, 1, 0);
    PlaybackCursor c = startPlayback(a);
    EXPECT_TRUE(stepPlayback(c));
    EXPECT_FALSE(stepPlayback(c));
    EXPECT_FALSE(stepPlayback(c));
    EXPECT_EQ(c.phase, PlaybackPhase::Finished);
    EXPECT_EQ(c.frame, 1);
}

TEST(Playback, OutOfRangeLoopSettingsStayWithinTheFrames) {
    // A loop end that was never set (or lies beyond the frames) loops to the last frame.
    EXPECT_EQ(played(withFrames(3, 1, -1, 2, 0)), (V{0, 1, 2, 1, 2}));
    EXPECT_EQ(played(withFrames(3, 0, 9, 1, 1)), (V{2, 1, 0}));
    // A loop start beyond the frames means no loop section.
    EXPECT_EQ(played(withFrames(3, 7, 8, 0, 0)), (V{0, 1, 2}));
    // An end before the start is taken as the last frame.
    EXPECT_EQ(played(withFrames(4, 2, 1, 2, 0)), (V{0, 1, 2, 3, 2, 3}));
}

TEST(Playback, OneFramePingPongRepeatsThatFrame) {
    for (int f : played(withFrames(3, 1, 1, 0, 2), 12))
        EXPECT_TRUE(f == 0 || f == 1) << f;
    EXPECT_EQ(played(withFrames(3, 1, 1, 3, 2)), (V{0, 1, 1, 1, 2}));
    EXPECT_EQ(played(withFrames(1, 0, 0, 3, 1)), (V{0, 0, 0}));
}

TEST(Playback, FramesRemovedWhilePlayingEndPlaybackSafely) {
    Animation a = withFrames(5, 0, 4, 0, 0);
    PlaybackCursor c = startPlayback(a);
    for (int i = 0; i < 4; ++i)
        stepPlayback(c);
    EXPECT_EQ(c.frame, 4);
    a.frames.resize(2);
    EXPECT_TRUE(stepPlayback(c)); // passes the shrunken loop's end: back to its start
    EXPECT_LT(c.frame, 2);
    a.frames.clear();
    EXPECT_FALSE(stepPlayback(c));
}

} // namespace
} // namespace pixelon
