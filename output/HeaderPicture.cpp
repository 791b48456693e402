// The picture in the header of printed pages: a phone whose screen shows a small face, and the
// same face magnified on a pixel grid beside it.

#include "output/PrintPage.h"

namespace pixelon {

namespace {

constexpr int FaceSize = 8;
// A face of 8 x 8 pixels, '#' ink.
constexpr const char* Face[FaceSize] = {
    "..####..", ".#....#.", "#.#..#.#", "#......#", "#.#..#.#", "#..##..#", ".#....#.", "..####..",
};

Surface drawHeaderPicture() {
    const Colour ink = rgb(0, 0, 0);
    const Colour body = rgb(64, 72, 88);
    const Colour screen = rgb(168, 200, 152);
    const Colour key = rgb(200, 200, 208);
    const Colour grid = rgb(160, 160, 160);
    Surface s(96, 48, rgb(255, 255, 255));

    // The phone: body, screen with the face at its own size, and a keypad.
    s.fillRect({4, 1, 28, 47}, body);
    s.fillRect({7, 5, 25, 21}, screen);
    for (int y = 0; y < FaceSize; ++y)
        for (int x = 0; x < FaceSize; ++x)
            if (Face[y][x] == '#')
                s.setPixel(12 + x, 9 + y, ink);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col)
            s.fillRect({8 + col * 6, 25 + row * 5, 12 + col * 6, 28 + row * 5}, key);

    // The face magnified five times with its pixel grid.
    const int left = 44, top = 4, cell = 5;
    for (int y = 0; y < FaceSize; ++y)
        for (int x = 0; x < FaceSize; ++x)
            if (Face[y][x] == '#')
                s.fillRect(
                    {left + x * cell, top + y * cell, left + (x + 1) * cell, top + (y + 1) * cell},
                    ink);
    for (int i = 0; i <= FaceSize; ++i) {
        s.fillRect({left + i * cell, top, left + i * cell + 1, top + FaceSize * cell + 1}, grid);
        s.fillRect({left, top + i * cell, left + FaceSize * cell + 1, top + i * cell + 1}, grid);
    }
    // A ray from the small face to the large one.
    for (int x = 26; x < 43; ++x)
        s.setPixel(x, 13, grid);
    return s;
}

} // namespace

const Surface& HeaderPicture() {
    static const Surface picture = drawHeaderPicture();
    return picture;
}

} // namespace pixelon
