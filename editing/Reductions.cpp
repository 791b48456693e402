#include "editing/Reductions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace pixelon {

MappingSteps& currentMappingSteps() {
    static MappingSteps steps;
    return steps;
}

MappingStepsDialogModel::MappingStepsDialogModel(const MappingSteps& steps)
    : m_positions{steps.white, steps.lightGrey, steps.darkGrey, steps.black} {
    for (int& p : m_positions)
        p = std::clamp(p, 0, 255);
}

void MappingStepsDialogModel::setPosition(int slider, int value) {
    if (slider < 0 || slider >= 4)
        return;
    m_positions[std::size_t(slider)] = std::clamp(value, 0, 255);
}

std::string MappingStepsDialogModel::label(int slider) const {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", position(slider));
    return text;
}

MappingSteps MappingStepsDialogModel::result() const {
    return {m_positions[0], m_positions[1], m_positions[2], m_positions[3]};
}

KernelDither::KernelDither(const PaletteMap& map, int size)
    : m_map(map), m_size(size == 3 ? 3 : 5), m_centre(size == 3 ? 1 : 2) {
    if (m_size == 5) {
        m_kernel[2] = {0, 0, 0, 7, 5};
        m_kernel[3] = {3, 5, 7, 5, 3};
        m_kernel[4] = {1, 3, 5, 3, 1};
    } else {
        m_kernel[1] = {0, 0, 7, 0, 0};
        m_kernel[2] = {3, 5, 1, 0, 0};
    }
    for (const auto& row : m_kernel)
        for (int w : row)
            m_divisor += w;
}

bool KernelDither::init() {
    try {
        m_rows = m_size - m_centre;
        m_error.assign(std::size_t(std::max(region.width(), 0)) * std::size_t(m_rows), 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_direction = 1; // the first rowStart turns it, so the first row runs right to left
    for (int v = 0; v < 256; ++v) {
        m_output[std::size_t(v)] = mapColour(mapIndex(Colour(v) * 0x010101, m_map), m_map);
        m_outputGrey[std::size_t(v)] = grey(m_output[std::size_t(v)]);
    }
    m_forward.clear();
    m_backward.clear();
    for (int row = m_centre; row < m_size; ++row)
        for (int j = 0; j < m_size; ++j) {
            const int forward = m_kernel[std::size_t(row)][std::size_t(j)];
            const int backward = m_kernel[std::size_t(row)][std::size_t(m_size - 1 - j)];
            if (forward)
                m_forward.push_back({j - m_centre, row - m_centre, double(forward) / m_divisor});
            if (backward)
                m_backward.push_back({j - m_centre, row - m_centre, double(backward) / m_divisor});
        }
    return true;
}

void KernelDither::rowStart() {
    // The row just finished is done with; its ring slot takes the kernel's new last row.
    if (y > region.top && region.width() > 0) {
        double* done = &errorAt(0, y - 1 - region.top);
        std::fill(done, done + region.width(), 0.0);
    }
    m_direction = -m_direction;
    x = m_direction > 0 ? region.left : region.right - 1;
}

Colour KernelDither::computePixel() {
    const int w = region.width(), h = region.height();
    const int rx = x - region.left, ry = y - region.top;
    int v = int(std::trunc(errorAt(rx, ry) + 0.499)) + grey(sourceAt(rx, ry));
    v = std::clamp(v, 0, 255);
    const Colour out = m_output[std::size_t(v)];
    const double e = v - m_outputGrey[std::size_t(v)];
    if (e != 0.0)
        for (const Tap& tap : m_direction > 0 ? m_forward : m_backward) {
            const int tx = rx + tap.dx, ty = ry + tap.dy;
            if (tx >= 0 && tx < w && ty < h)
                errorAt(tx, ty) += e * tap.weight;
        }
    return out;
}

namespace {

template <typename F> void forEachOpaque(Surface& canvas, Rect window, F f) {
    window = window.intersected(canvas.bounds());
    const Colour transparent = TransparentKey;
    for (int y = window.top; y < window.bottom; ++y) {
        auto line = canvas.row(y);
        for (int x = window.left; x < window.right; ++x) {
            Colour& c = line[std::size_t(x)];
            if (c != transparent)
                c = f(c) & 0x00FFFFFF;
        }
    }
}

} // namespace

void toMonoPlain(Surface& canvas, Rect window) {
    const Colour black = colourBlack, white = colourWhite;
    forEachOpaque(canvas, window, [&](Colour c) {
        return redOf(c) + greenOf(c) + blueOf(c) < 376 ? black : white;
    });
}

void toGreyPlain(Surface& canvas, Rect window) {
    forEachOpaque(canvas, window, [](Colour c) { return GreyMap.colours[mapIndex(c, GreyMap)]; });
}

void toCubePlain(Surface& canvas, Rect window) {
    const Colour* cube = cubePalette();
    forEachOpaque(canvas, window, [cube](Colour c) { return cube[cubeIndex(c)]; });
}

int& greyDitherDirection() {
    static int direction = 1;
    return direction;
}

void greyDither(Surface& canvas, Rect window, int& direction, Feedback& feedback) {
    window = window.intersected(canvas.bounds());
    const int w = window.width();
    if (w <= 0 || window.height() <= 0)
        return;
    constexpr int Levels = 4;
    const float s = float(Levels - 1) / 255.0f;
    const Colour phoneGrey[4] = {colourBlack, colourDarkGrey, colourLightGrey, colourWhite};
    std::vector<float> current(std::size_t(w), 0.0f), next(std::size_t(w), 0.0f);
    std::vector<int> value(std::size_t(w), 0), level(std::size_t(w), 0);
    ProgressWindow& progress = feedback.progress();
    progress.Open("Dithering Image...", "Processing...", 0, window.height());
    for (int y = window.top; y < window.bottom; ++y) {
        auto line = canvas.row(y);
        for (int i = 0; i < w; ++i)
            value[std::size_t(i)] = grey(line[std::size_t(window.left + i)]);
        std::fill(next.begin(), next.end(), 0.0f);
        for (int k = 0; k < w; ++k) {
            const int i = direction > 0 ? k : w - 1 - k;
            const float u = float(value[std::size_t(i)]) + current[std::size_t(i)];
            const int q = std::clamp(int(std::floor(u * s + 0.5f)), 0, Levels - 1);
            const float lv = std::round(std::clamp(float(q) / s, 0.0f, 255.0f));
            level[std::size_t(i)] = q;
            const float err = u - lv;
            next[std::size_t(i)] += err * 5.0f / 16.0f;
            const int ahead = i + direction, behind = i - direction;
            if (ahead >= 0 && ahead < w) {
                current[std::size_t(ahead)] += err * 7.0f / 16.0f;
                next[std::size_t(ahead)] += err * 1.0f / 16.0f;
            }
            if (behind >= 0 && behind < w)
                next[std::size_t(behind)] += err * 3.0f / 16.0f;
        }
        current.swap(next);
        direction = -direction;
        for (int i = 0; i < w; ++i)
            line[std::size_t(window.left + i)] = phoneGrey[level[std::size_t(i)]];
        progress.Step(y - window.top + 1);
    }
    progress.Close();
    CurrentMap = &DirectMap;
}

bool cubeDither(Surface& canvas, Rect window, Feedback& feedback) {
    window = window.intersected(canvas.bounds());
    const int w = window.width();
    if (w <= 0 || window.height() <= 0)
        return true;
    // All buffers are had before the first pixel is touched, so a failure leaves the canvas
    // as it was.
    std::vector<int> values, original, errors;
    try {
        values.resize(std::size_t(w) * 3);
    } catch (const std::bad_alloc&) {
        std::fputs("\nGI: No mem for image", stderr);
        return false;
    }
    try {
        original.resize(std::size_t(w) * 3);
    } catch (const std::bad_alloc&) {
        std::fputs("\nGI: No mem for original image", stderr);
        return false;
    }
    try {
        errors.resize(std::size_t(w) * 3);
    } catch (const std::bad_alloc&) {
        std::fputs("\nGI: No mem for error image", stderr);
        return false;
    }
    static constexpr int Blue[4] = {0, 85, 170, 255};
    static constexpr int RedGreen[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    ProgressWindow& progress = feedback.progress();
    progress.Open("Dithering Image...", "Processing...", 0, window.height());
    for (int y = window.top; y < window.bottom; ++y) {
        auto line = canvas.row(y);
        for (int i = 0; i < w; ++i) {
            Colour c = line[std::size_t(window.left + i)];
            int* v = &values[std::size_t(i) * 3];
            v[0] = blueOf(c);
            v[1] = greenOf(c);
            v[2] = redOf(c);
        }
        std::copy(values.begin(), values.end(), original.begin());
        const bool leftToRight = (y - window.top) % 2 == 1;
        for (int k = 0; k < w; ++k) {
            const int i = leftToRight ? k : w - 1 - k;
            const int successor = leftToRight ? i + 1 : i - 1;
            const bool hasSuccessor = successor >= 0 && successor < w;
            for (int ch = 0; ch < 3; ++ch) {
                const int v = values[std::size_t(i) * 3 + std::size_t(ch)];
                const int error = ch == 0 ? v - 85 * (v >> 6) : v - 36 * (v >> 5);
                errors[std::size_t(i) * 3 + std::size_t(ch)] = error;
                if (hasSuccessor) {
                    int& s = values[std::size_t(successor) * 3 + std::size_t(ch)];
                    s = std::clamp(s + (error >> 1), 0, 255);
                }
            }
        }
        for (int i = 0; i < w; ++i) {
            const int* v = &values[std::size_t(i) * 3];
            line[std::size_t(window.left + i)] =
                rgb(RedGreen[v[2] >> 5], RedGreen[v[1] >> 5], Blue[v[0] >> 6]);
        }
        progress.Step(y - window.top + 1);
    }
    progress.Close();
    return true;
}

void mapToSteps(Surface& canvas, Rect window, const MappingSteps& steps) {
    const Colour references[4] = {Colour(steps.black) * 0x010101, Colour(steps.darkGrey) * 0x010101,
                                  Colour(steps.lightGrey) * 0x010101,
                                  Colour(steps.white) * 0x010101};
    const PaletteMap map{references, nullptr, 4};
    // The answer depends only on the grey level, so it is worked out once per level.
    Colour result[256];
    for (int g = 0; g < 256; ++g)
        result[g] = GreyMap.colours[mapIndex(Colour(g) * 0x010101, map)];
    window = window.intersected(canvas.bounds());
    for (int y = window.top; y < window.bottom; ++y) {
        auto line = canvas.row(y);
        for (int x = window.left; x < window.right; ++x)
            line[std::size_t(x)] = result[grey(line[std::size_t(x)])];
    }
}

} // namespace pixelon
