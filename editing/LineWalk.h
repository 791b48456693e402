#pragma once

#include <cstdlib>

namespace pixelon {

// Calls f(x, y) for every pixel of the line from (x0, y0) to (x1, y1), both ends included
// (Bresenham), so the line drawn and the line previewed are the same pixels.
template <typename F> void forLine(int x0, int y0, int x1, int y1, F f) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        f(x0, y0);
        if (x0 == x1 && y0 == y1)
            return;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

} // namespace pixelon
