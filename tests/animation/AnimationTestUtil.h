#pragma once

// Portfolios of plain-coloured pictures for the animation tests.

#include <cstdint>
#include <memory>

#include "core/Portfolio.h"

namespace pixelon::test {

constexpr std::uint16_t Red565 = 0xF800, Blue565 = 0x001F, Green565 = 0x07E0, White565 = 0xFFFF,
                        Black565 = 0x0000;

// A 16-bit picture of one colour.
inline std::unique_ptr<CPicture> solidPicture(int id, int width, int height, std::uint16_t colour) {
    auto p = std::make_unique<CPicture>();
    p->Create(width, height, id);
    p->m_nDepth = 16;
    p->m_nStoredDepth = 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p->SetPixel(x, y, colour);
    return p;
}

inline AnimationFrame frameOf(int id, int x = 0, int y = 0, int disposal = 0, int delay = 100) {
    return AnimationFrame{id, x, y, disposal, delay};
}

} // namespace pixelon::test
