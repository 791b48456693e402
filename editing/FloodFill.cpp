#include "editing/FloodFill.h"

#include <vector>

namespace pixelon {

long floodFill(Surface& surface, int x, int y, Rect limit, const ColourPair& brush,
               const std::function<void(int x, int y, Colour c)>& painted) {
    limit = limit.intersected(surface.bounds());
    if (!limit.contains(x, y))
        return 0;
    const Colour target = surface.pixel(x, y);
    const int w = limit.width();
    std::vector<std::uint8_t> inArea(std::size_t(w) * std::size_t(limit.height()), 0);
    auto seen = [&](int px, int py) -> std::uint8_t& {
        return inArea[std::size_t(py - limit.top) * std::size_t(w) + std::size_t(px - limit.left)];
    };
    auto matches = [&](int px, int py) { return !seen(px, py) && surface.pixel(px, py) == target; };
    struct Seed {
        int x, y;
    };
    std::vector<Seed> stack{{x, y}};
    long count = 0;
    while (!stack.empty()) {
        Seed s = stack.back();
        stack.pop_back();
        if (!matches(s.x, s.y))
            continue;
        int left = s.x, right = s.x;
        while (left > limit.left && matches(left - 1, s.y))
            --left;
        while (right + 1 < limit.right && matches(right + 1, s.y))
            ++right;
        for (int px = left; px <= right; ++px)
            seen(px, s.y) = 1;
        count += right - left + 1;
        for (int ny : {s.y - 1, s.y + 1}) {
            if (ny < limit.top || ny >= limit.bottom)
                continue;
            bool inRun = false;
            for (int px = left; px <= right; ++px) {
                bool m = matches(px, ny);
                if (m && !inRun)
                    stack.push_back({px, ny});
                inRun = m;
            }
        }
    }
    for (int py = limit.top; py < limit.bottom; ++py) {
        auto line = surface.row(py);
        for (int px = limit.left; px < limit.right; ++px)
            if (seen(px, py)) {
                const Colour c = brush.at(px, py);
                line[std::size_t(px)] = c & 0x00FFFFFF;
                if (painted)
                    painted(px, py, c);
            }
    }
    return count;
}

} // namespace pixelon
