#pragma once

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

} // namespace pixelon
