#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace pixelon {

// One frame of an animation: a portfolio picture shown at an offset for a time.
struct AnimationFrame {
    int id = 0; // picture ID, 16-bit
    int xoffset = 0;
    int yoffset = 0;
    int disposal = 0;     // 0 opaque, 1 transparent (ANDed with the screen)
    int framedelay = 100; // milliseconds
    friend bool operator==(const AnimationFrame&, const AnimationFrame&) = default;
};

// A named sequence of frames with a loop section.
struct Animation {
    std::string name;
    int width = 0;
    int height = 0;
    int loopstart = -1;
    int loopend = -1;
    int nrepeats = 1;
    int loopmode = 0; // 0 forwards, 1 backwards, 2 ping-pong
    int clearbetweenframes = 0;
    std::vector<AnimationFrame> frames;
    friend bool operator==(const Animation&, const Animation&) = default;
};

// Frames refer to pictures by ID, so the portfolio operations that delete or renumber pictures
// keep every animation in step through these two helpers.

// Removes every frame that shows picture `id`, from every animation. Returns how many went.
inline int RemoveFramesShowing(std::vector<Animation>& animations, int id) {
    int removed = 0;
    for (Animation& animation : animations)
        removed += int(
            std::erase_if(animation.frames, [id](const AnimationFrame& f) { return f.id == id; }));
    return removed;
}

// Makes every frame that shows picture `oldId` show `newId` instead. Returns how many changed.
inline int RenumberFramePictures(std::vector<Animation>& animations, int oldId, int newId) {
    int changed = 0;
    for (Animation& animation : animations)
        for (AnimationFrame& frame : animation.frames)
            if (frame.id == oldId) {
                frame.id = newId;
                ++changed;
            }
    return changed;
}

// Renumbers many pictures at once: each frame's ID is looked up in `newIds` (old ID -> new ID)
// once, so a frame is never renumbered twice when one picture's new ID is another's old one
// (renumbering 0, 1, 2 to 1, 2, 3 one picture at a time would move every frame to 3).
inline int RenumberFramePictures(std::vector<Animation>& animations,
                                 const std::map<int, int>& newIds) {
    int changed = 0;
    for (Animation& animation : animations)
        for (AnimationFrame& frame : animation.frames)
            if (auto it = newIds.find(frame.id); it != newIds.end() && it->second != frame.id) {
                frame.id = it->second;
                ++changed;
            }
    return changed;
}

} // namespace pixelon
