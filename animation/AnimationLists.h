#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Animation.h"

namespace pixelon {

// The Animation Editor's lists: the working copies of the portfolio's animations, which one is
// current, and the selections of the image and frame lists. The frame list's edits live here
// as well, since moving or removing frames moves or drops their selection with them. Each edit
// returns whether it acted, so the owner knows when to show the lists afresh.
class AnimationLists {
public:
    explicit AnimationLists(std::vector<Animation> animations)
        : m_animations(std::move(animations)) {}

    const std::vector<Animation>& animations() const { return m_animations; }
    std::vector<std::string> names() const;
    std::vector<std::string> frameLabels() const; // the current animation's frames, "%05d"
    int currentIndex() const { return m_current; }
    const Animation* current() const;
    Animation* current();

    // Makes animation `index` current (out of range: none) and clears the frame selection.
    void select(int index);
    // Appends an animation without making it current.
    void add(Animation animation) { m_animations.push_back(std::move(animation)); }
    // Drops the current animation; none is current afterwards.
    void removeCurrent();
    // Every working copy loses the frames that show picture `id`.
    void removeFramesOf(int id) { RemoveFramesShowing(m_animations, id); }

    // Selections, as the lists report them: kept within the list, ascending, each index once.
    void setSelectedImages(std::vector<int> indices, std::size_t imageCount);
    const std::vector<int>& selectedImages() const { return m_selectedImages; }
    // The focused frame is `focused` when it is in the list, else the first selected one.
    void setSelectedFrames(std::vector<int> indices, int focused = -1);
    const std::vector<int>& selectedFrames() const { return m_selectedFrames; }
    int focusedFrame() const { return m_focused; }
    // The focused frame of the current animation, or nothing.
    const AnimationFrame* shownFrame() const;

    // Frame list edits on the current animation.
    bool appendFrames(const std::vector<int>& pictureIds);
    bool removeSelectedFrames();
    bool removeAllFrames();
    bool moveFramesUp();
    bool moveFramesDown();
    bool duplicateFocusedFrame();
    // Parameters of the selected frames; nothing leaves that field as it is.
    bool setOffset(std::optional<int> x, std::optional<int> y);
    bool setDelay(std::optional<int> delay);
    bool setDisposal(int disposal); // 0 opaque, 1 transparent, else nothing changes

private:
    std::vector<Animation> m_animations;
    int m_current = -1;
    std::vector<int> m_selectedImages;
    std::vector<int> m_selectedFrames;
    int m_focused = -1;
};

// "%05d": how the image and frame lists show a picture ID.
std::string idLabel(int id);

} // namespace pixelon
