#include <gtest/gtest.h>

#include "animation/AnimationLists.h"

namespace pixelon {
namespace {

Animation animationOf(std::string name, std::vector<int> ids) {
    Animation a;
    a.name = std::move(name);
    for (int id : ids)
        a.frames.push_back(AnimationFrame{id});
    return a;
}

std::vector<int> idsOf(const Animation& a) {
    std::vector<int> ids;
    for (const AnimationFrame& f : a.frames)
        ids.push_back(f.id);
    return ids;
}

// The owner shows the lists afresh only when an edit reports that it acted, so every edit that
// finds nothing to do must say so, and every one that changes the frames must say that.
TEST(AnimationLists, EditsReportWhetherTheyActed) {
    AnimationLists lists({animationOf("A", {1, 2, 3})});
    // Without a current animation nothing acts.
    EXPECT_FALSE(lists.appendFrames({4}));
    EXPECT_FALSE(lists.removeAllFrames());
    EXPECT_FALSE(lists.setOffset(1, 2));
    EXPECT_FALSE(lists.setDisposal(1));

    lists.select(0);
    // Without a frame selection, the edits of selected frames do nothing.
    EXPECT_FALSE(lists.removeSelectedFrames());
    EXPECT_FALSE(lists.moveFramesUp());
    EXPECT_FALSE(lists.moveFramesDown());
    EXPECT_FALSE(lists.duplicateFocusedFrame());
    // A delay field left empty and a disposal of neither kind change nothing.
    lists.setSelectedFrames({1});
    EXPECT_FALSE(lists.setDelay(std::nullopt));
    EXPECT_FALSE(lists.setDisposal(2));
    EXPECT_EQ(lists.current()->frames[1].disposal, 0);
    // Moving the first frame up, or the last one down, has nowhere to go.
    lists.setSelectedFrames({0});
    EXPECT_FALSE(lists.moveFramesUp());
    lists.setSelectedFrames({2});
    EXPECT_FALSE(lists.moveFramesDown());
    EXPECT_EQ(idsOf(*lists.current()), (std::vector<int>{1, 2, 3}));

    EXPECT_TRUE(lists.appendFrames({4}));
    EXPECT_TRUE(lists.moveFramesDown());
    EXPECT_EQ(idsOf(*lists.current()), (std::vector<int>{1, 2, 4, 3}));
}

TEST(AnimationLists, MovedFramesKeepTheirSelectionAndFocus) {
    AnimationLists lists({animationOf("A", {1, 2, 3, 4, 5})});
    lists.select(0);
    lists.setSelectedFrames({3, 1}, 3);
    ASSERT_TRUE(lists.moveFramesUp());
    EXPECT_EQ(idsOf(*lists.current()), (std::vector<int>{2, 1, 4, 3, 5}));
    EXPECT_EQ(lists.selectedFrames(), (std::vector<int>{0, 2}));
    EXPECT_EQ(lists.focusedFrame(), 2);
    ASSERT_NE(lists.shownFrame(), nullptr);
    EXPECT_EQ(lists.shownFrame()->id, 4);
    ASSERT_TRUE(lists.moveFramesDown());
    ASSERT_TRUE(lists.moveFramesDown());
    EXPECT_EQ(idsOf(*lists.current()), (std::vector<int>{1, 3, 2, 5, 4}));
    EXPECT_EQ(lists.selectedFrames(), (std::vector<int>{2, 4}));
    EXPECT_EQ(lists.shownFrame()->id, 4);
    EXPECT_FALSE(lists.moveFramesDown()); // the last frame is selected
}

TEST(AnimationLists, RemovingFramesOrTheAnimationDropsWhatPointedAtThem) {
    AnimationLists lists({animationOf("A", {1, 2, 3}), animationOf("B", {2, 2})});
    lists.select(0);
    lists.setSelectedFrames({0, 2});
    ASSERT_TRUE(lists.removeSelectedFrames());
    EXPECT_EQ(idsOf(*lists.current()), (std::vector<int>{2}));
    EXPECT_TRUE(lists.selectedFrames().empty());
    EXPECT_EQ(lists.shownFrame(), nullptr);

    // A deleted picture leaves every working copy, current or not.
    lists.removeFramesOf(2);
    EXPECT_TRUE(lists.current()->frames.empty());
    EXPECT_TRUE(lists.animations()[1].frames.empty());

    lists.select(1);
    lists.removeCurrent();
    EXPECT_EQ(lists.currentIndex(), -1);
    EXPECT_EQ(lists.current(), nullptr);
    ASSERT_EQ(lists.animations().size(), 1u);
    EXPECT_EQ(lists.animations()[0].name, "A");
    lists.removeCurrent(); // none current: nothing goes
    EXPECT_EQ(lists.animations().size(), 1u);
}

TEST(AnimationLists, SelectionsStayWithinTheirLists) {
    AnimationLists lists({animationOf("A", {7, 8})});
    lists.setSelectedImages({5, -1, 2, 2, 0}, 3);
    EXPECT_EQ(lists.selectedImages(), (std::vector<int>{0, 2}));
    // Frames cannot be selected while no animation is current.
    lists.setSelectedFrames({0});
    EXPECT_TRUE(lists.selectedFrames().empty());
    EXPECT_EQ(lists.focusedFrame(), -1);
    lists.select(0);
    lists.setSelectedFrames({1, 9}, 9); // the focus is not in the list: the first selected
    EXPECT_EQ(lists.selectedFrames(), (std::vector<int>{1}));
    EXPECT_EQ(lists.focusedFrame(), 1);
    EXPECT_EQ(lists.frameLabels(), (std::vector<std::string>{"00007", "00008"}));
    // Choosing another animation, or one out of range, clears the frame selection.
    lists.select(4);
    EXPECT_EQ(lists.currentIndex(), -1);
    EXPECT_TRUE(lists.selectedFrames().empty());
    EXPECT_TRUE(lists.frameLabels().empty());
}

} // namespace
} // namespace pixelon
