#include "codecs/JpegIdct.h"

#include <algorithm>

namespace pixelon::jpeg {

IntegerQuant MakeIntegerQuant(std::span<const std::uint16_t, 64> quant) {
    IntegerQuant q;
    for (std::size_t i = 0; i < 64; ++i)
        q[i] = std::int16_t(std::min<int>(quant[i], 32767));
    return q;
}

namespace {

using namespace idct;
using U = std::uint32_t; // sums wrap modulo 2^32

std::int16_t saturate16(std::int32_t v) {
    return std::int16_t(std::clamp(v, -32768, 32767));
}

// One 8-point transform of x(0..7), giving the eight sums before descaling, with `round` added.
template <class At> void idct8(At x, U round, U* out) {
    auto in = [&](int k) { return U(std::int32_t(x(k))); };
    // Even part.
    U z2 = in(2), z3 = in(6);
    U z1 = (z2 + z3) * U(C0_541);
    U tmp2 = z1 + z3 * U(-C1_847);
    U tmp3 = z1 + z2 * U(C0_765);
    U tmp0 = ((in(0) + in(4)) << ConstBits) + round;
    U tmp1 = ((in(0) - in(4)) << ConstBits) + round;
    const U tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3;
    const U tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    // Odd part.
    tmp0 = in(7);
    tmp1 = in(5);
    tmp2 = in(3);
    tmp3 = in(1);
    z1 = tmp0 + tmp3;
    z2 = tmp1 + tmp2;
    z3 = tmp0 + tmp2;
    U z4 = tmp1 + tmp3;
    const U z5 = (z3 + z4) * U(C1_175);
    tmp0 *= U(C0_298);
    tmp1 *= U(C2_053);
    tmp2 *= U(C3_072);
    tmp3 *= U(C1_501);
    z1 *= U(-C0_899);
    z2 *= U(-C2_562);
    z3 = z3 * U(-C1_961) + z5;
    z4 = z4 * U(-C0_390) + z5;
    tmp0 += z1 + z3;
    tmp1 += z2 + z4;
    tmp2 += z2 + z3;
    tmp3 += z1 + z4;
    out[0] = tmp10 + tmp3;
    out[7] = tmp10 - tmp3;
    out[1] = tmp11 + tmp2;
    out[6] = tmp11 - tmp2;
    out[2] = tmp12 + tmp1;
    out[5] = tmp12 - tmp1;
    out[3] = tmp13 + tmp0;
    out[4] = tmp13 - tmp0;
}

std::uint8_t sample(U sum, int shift) {
    return std::uint8_t(std::clamp(std::int32_t(sum) >> shift, -128, 127) + 128);
}

void inverseDctBlock(const std::int16_t* coef, const std::int16_t* quant, std::uint8_t* out,
                     std::size_t stride) {
    constexpr int pass1Shift = ConstBits - Pass1Bits, pass2Shift = ConstBits + Pass1Bits + 3;
    std::int16_t deq[64];
    int ac = 0;
    for (int i = 0; i < 64; ++i) {
        deq[i] = saturate16(std::int32_t(coef[i]) * quant[i]);
        ac |= i > 0 ? coef[i] : 0;
    }
    if (ac == 0) {
        // Only the DC term: what the two passes give for it, without them.
        const std::int32_t w = saturate16(std::int32_t(deq[0]) * 4);
        std::uint8_t flat = std::uint8_t(std::clamp((w + 16) >> 5, -128, 127) + 128);
        for (int r = 0; r < 8; ++r)
            std::fill_n(out + std::size_t(r) * stride, 8, flat);
        return;
    }
    std::int16_t ws[64];
    U sums[8];
    for (int c = 0; c < 8; ++c) {
        idct8([&](int k) { return deq[8 * k + c]; }, U(1) << (pass1Shift - 1), sums);
        for (int r = 0; r < 8; ++r)
            ws[8 * r + c] = saturate16(std::int32_t(sums[r]) >> pass1Shift);
    }
    for (int r = 0; r < 8; ++r) {
        idct8([&](int k) { return ws[8 * r + k]; }, U(1) << (pass2Shift - 1), sums);
        std::uint8_t* row = out + std::size_t(r) * stride;
        for (int c = 0; c < 8; ++c)
            row[c] = sample(sums[c], pass2Shift);
    }
}

} // namespace

void InverseDctIntScalar(const std::int16_t* coef, const std::int16_t* quant, int count,
                         std::uint8_t* out, std::size_t stride) {
    for (int b = 0; b < count; ++b)
        inverseDctBlock(coef + 64 * b, quant, out + 8 * b, stride);
}

} // namespace pixelon::jpeg
