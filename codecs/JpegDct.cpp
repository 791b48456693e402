#include "codecs/JpegDct.h"

#include <algorithm>
#include <cmath>

#include "codecs/JpegButterflies.h"
#include "codecs/JpegTables.h"

namespace pixelon::jpeg {

std::array<float, 64> InverseDctMultipliers(std::span<const std::uint16_t, 64> quant) {
    std::array<float, 64> m;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            m[std::size_t(r * 8 + c)] = float(quant[std::size_t(r * 8 + c)] *
                                              AanScale[std::size_t(r)] * AanScale[std::size_t(c)]);
    return m;
}

namespace {

// The AAN inverse butterflies on all eight columns at once: each statement is a loop over the
// columns, which the compiler turns into vector instructions.
inline void idctColumns(float* w) {
    for (int c = 0; c < 8; ++c)
        AanInverse8([w, c](int k) -> float& { return w[8 * k + c]; });
}

inline void transpose(float* w) {
    for (int r = 0; r < 8; ++r)
        for (int c = r + 1; c < 8; ++c)
            std::swap(w[r * 8 + c], w[c * 8 + r]);
}

} // namespace

void InverseDct(const std::int16_t* coef, const float* multipliers, std::uint8_t* out,
                std::size_t stride, int centre, int maxValue, int downShift) {
    // Clamping in floating point keeps damaged coefficients from overflowing the conversion to
    // int; truncating a non-negative value then rounds down.
    const float bias = float(centre) + 0.5f;
    const float top = float(maxValue);
    auto sample = [&](float v) {
        float f = std::min(std::max(v * 0.125f + bias, 0.0f), top);
        return std::uint8_t(int(f) >> downShift);
    };
    int ac = 0;
    for (int i = 1; i < 64; ++i)
        ac |= coef[i];
    if (ac == 0) {
        // A flat block: the DC term alone.
        const std::uint8_t flat = sample(float(coef[0]) * multipliers[0]);
        for (int r = 0; r < 8; ++r)
            std::fill_n(out + std::size_t(r) * stride, 8, flat);
        return;
    }
    alignas(32) float w[64];
    for (int i = 0; i < 64; ++i)
        w[i] = float(coef[i]) * multipliers[i];
    idctColumns(w);
    transpose(w);
    idctColumns(w);
    // Back to rows, so that the conversion below reads contiguous values and vectorises.
    transpose(w);
    for (int y = 0; y < 8; ++y) {
        std::uint8_t* dst = out + std::size_t(y) * stride;
        for (int x = 0; x < 8; ++x)
            dst[x] = sample(w[y * 8 + x]);
    }
}

namespace {

inline void fdct8(float* d, int step) {
    AanForward8([d, step](int k) -> float& { return d[k * step]; });
}

} // namespace

void ForwardDct(std::array<float, 64>& block) {
    for (int r = 0; r < 8; ++r)
        fdct8(block.data() + r * 8, 1);
    for (int c = 0; c < 8; ++c)
        fdct8(block.data() + c, 8);
}

} // namespace pixelon::jpeg
