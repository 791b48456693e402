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

// One 8-point AAN inverse transform over in[0], in[step], ..., in[7 step].
inline void idct8(const float* in, int step, float* out, int outStep) {
    float tmp0 = in[0], tmp1 = in[2 * step], tmp2 = in[4 * step], tmp3 = in[6 * step];
    float tmp10 = tmp0 + tmp2, tmp11 = tmp0 - tmp2;
    float tmp13 = tmp1 + tmp3;
    float tmp12 = (tmp1 - tmp3) * 1.414213562f - tmp13;
    tmp0 = tmp10 + tmp13;
    tmp3 = tmp10 - tmp13;
    tmp1 = tmp11 + tmp12;
    tmp2 = tmp11 - tmp12;

    float tmp4 = in[step], tmp5 = in[3 * step], tmp6 = in[5 * step], tmp7 = in[7 * step];
    float z13 = tmp6 + tmp5, z10 = tmp6 - tmp5, z11 = tmp4 + tmp7, z12 = tmp4 - tmp7;
    tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    float z5 = (z10 + z12) * 1.847759065f;
    tmp10 = 1.082392200f * z12 - z5;
    tmp12 = -2.613125930f * z10 + z5;
    tmp6 = tmp12 - tmp7;
    tmp5 = tmp11 - tmp6;
    tmp4 = tmp10 + tmp5;

    out[0] = tmp0 + tmp7;
    out[7 * outStep] = tmp0 - tmp7;
    out[1 * outStep] = tmp1 + tmp6;
    out[6 * outStep] = tmp1 - tmp6;
    out[2 * outStep] = tmp2 + tmp5;
    out[5 * outStep] = tmp2 - tmp5;
    out[4 * outStep] = tmp3 + tmp4;
    out[3 * outStep] = tmp3 - tmp4;
}

} // namespace

void InverseDct(const std::int16_t* coef, const std::array<float, 64>& multipliers,
                std::uint8_t* out, std::size_t stride, int centre, int maxValue, int downShift) {
    float work[64];
    float deq[64];
    for (int i = 0; i < 64; ++i)
        deq[i] = float(coef[i]) * multipliers[std::size_t(i)];
    for (int c = 0; c < 8; ++c) {
        const float* col = deq + c;
        if (col[8] == 0 && col[16] == 0 && col[24] == 0 && col[32] == 0 && col[40] == 0 &&
            col[48] == 0 && col[56] == 0) {
            for (int r = 0; r < 8; ++r)
                work[r * 8 + c] = col[0];
            continue;
        }
        idct8(col, 8, work + c, 8);
    }
    const float bias = float(centre) + 0.5f;
    for (int r = 0; r < 8; ++r) {
        float row[8];
        idct8(work + r * 8, 1, row, 1);
        std::uint8_t* dst = out + std::size_t(r) * stride;
        for (int c = 0; c < 8; ++c) {
            // The transform leaves a factor of 8; floor(x + 0.5) rounds to nearest.
            int v = int(std::floor(row[c] * 0.125f + bias));
            dst[c] = std::uint8_t(std::clamp(v, 0, maxValue) >> downShift);
        }
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
