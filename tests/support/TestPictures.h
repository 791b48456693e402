#pragma once

#include <memory>

#include "core/Picture.h"

namespace pixelon {

// A W x H picture of 16-bit colour values, every pixel white and opaque. The size is not
// clamped to the largest picture, so tests can hand editors oversized ones.
inline CPicture whitePicture(int w, int h) {
    CPicture p;
    p.m_nWidth = w;
    p.m_nHeight = h;
    p.ResizeStorage();
    p.m_nDepth = 16;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            p.SetPixel(x, y, 0xFFFF);
            p.SetMask(x, y, 1);
        }
    return p;
}

// A 16-bit picture of any size, beyond what Create allows, as a portfolio file may hold; its
// storage is as ResizeStorage makes it (black).
inline std::unique_ptr<CPicture> sizedPicture(int id, int width, int height) {
    auto p = std::make_unique<CPicture>();
    p->m_nId = id;
    p->m_nWidth = width;
    p->m_nHeight = height;
    p->m_nDepth = p->m_nStoredDepth = 16;
    p->ResizeStorage();
    return p;
}

} // namespace pixelon
