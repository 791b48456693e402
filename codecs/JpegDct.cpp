#include "codecs/JpegDct.h"

#include <algorithm>
#include <cmath>

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
    for (int c = 0; c < 8; ++c) {
        float tmp0 = w[c], tmp1 = w[16 + c], tmp2 = w[32 + c], tmp3 = w[48 + c];
        float tmp10 = tmp0 + tmp2, tmp11 = tmp0 - tmp2;
        float tmp13 = tmp1 + tmp3;
        float tmp12 = (tmp1 - tmp3) * 1.414213562f - tmp13;
        tmp0 = tmp10 + tmp13;
        tmp3 = tmp10 - tmp13;
        tmp1 = tmp11 + tmp12;
        tmp2 = tmp11 - tmp12;

        float tmp4 = w[8 + c], tmp5 = w[24 + c], tmp6 = w[40 + c], tmp7 = w[56 + c];
        float z13 = tmp6 + tmp5, z10 = tmp6 - tmp5, z11 = tmp4 + tmp7, z12 = tmp4 - tmp7;
        tmp7 = z11 + z13;
        tmp11 = (z11 - z13) * 1.414213562f;
        float z5 = (z10 + z12) * 1.847759065f;
        tmp10 = 1.082392200f * z12 - z5;
        tmp12 = -2.613125930f * z10 + z5;
        tmp6 = tmp12 - tmp7;
        tmp5 = tmp11 - tmp6;
        tmp4 = tmp10 + tmp5;

        w[c] = tmp0 + tmp7;
        w[56 + c] = tmp0 - tmp7;
        w[8 + c] = tmp1 + tmp6;
        w[48 + c] = tmp1 - tmp6;
        w[16 + c] = tmp2 + tmp5;
        w[40 + c] = tmp2 - tmp5;
        w[32 + c] = tmp3 + tmp4;
        w[24 + c] = tmp3 - tmp4;
    }
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
    float tmp0 = d[0] + d[7 * step], tmp7 = d[0] - d[7 * step];
    float tmp1 = d[step] + d[6 * step], tmp6 = d[step] - d[6 * step];
    float tmp2 = d[2 * step] + d[5 * step], tmp5 = d[2 * step] - d[5 * step];
    float tmp3 = d[3 * step] + d[4 * step], tmp4 = d[3 * step] - d[4 * step];

    float tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3;
    float tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    d[0] = tmp10 + tmp11;
    d[4 * step] = tmp10 - tmp11;
    float z1 = (tmp12 + tmp13) * 0.707106781f;
    d[2 * step] = tmp13 + z1;
    d[6 * step] = tmp13 - z1;

    tmp10 = tmp4 + tmp5;
    tmp11 = tmp5 + tmp6;
    tmp12 = tmp6 + tmp7;
    float z5 = (tmp10 - tmp12) * 0.382683433f;
    float z2 = 0.541196100f * tmp10 + z5;
    float z4 = 1.306562965f * tmp12 + z5;
    float z3 = tmp11 * 0.707106781f;
    float z11 = tmp7 + z3, z13 = tmp7 - z3;
    d[5 * step] = z13 + z2;
    d[3 * step] = z13 - z2;
    d[1 * step] = z11 + z4;
    d[7 * step] = z11 - z4;
}

} // namespace

void ForwardDct(std::array<float, 64>& block) {
    for (int r = 0; r < 8; ++r)
        fdct8(block.data() + r * 8, 1);
    for (int c = 0; c < 8; ++c)
        fdct8(block.data() + c, 8);
}

} // namespace pixelon::jpeg
