#pragma once

// The integer inverse DCT of JpegIdct.h on 16-bit lanes, written once over a small set of
// operations and compiled for SSE2 (one block a pass, a row of eight columns in a register) and
// for AVX2 (two blocks side by side, one in each 128-bit half). Included by one file for each
// instruction set only; everything here has internal linkage, so the two compilations never
// mix.
//
// The products are taken with multiply-add of 16-bit pairs into 32-bit sums, so every term is
// exact and the sums wrap modulo 2^32 as the scalar code's do; the terms are grouped
// differently (each output is a sum of products of the original inputs), which modular
// arithmetic allows.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "codecs/JpegIdct.h"

namespace pixelon::jpeg {
namespace {

// Two 16-bit multipliers for one multiply-add: `a` for the first of a pair, `b` the second.
constexpr std::int32_t pair(std::int32_t a, std::int32_t b) {
    return std::int32_t(std::uint32_t(std::uint16_t(a)) | std::uint32_t(std::uint16_t(b)) << 16);
}

// The factorisation's outputs expanded into sums of the inputs times one constant each.
namespace k {
using namespace idct;
// Even part, inputs (x2, x6) and (x0, x4).
constexpr std::int32_t Even2 = pair(C0_541, C0_541 - C1_847);
constexpr std::int32_t Even3 = pair(C0_541 + C0_765, C0_541);
constexpr std::int32_t Sum04 = pair(1 << ConstBits, 1 << ConstBits);
constexpr std::int32_t Diff04 = pair(1 << ConstBits, -(1 << ConstBits));
// Odd part, inputs (x7, x1) and (x5, x3).
constexpr std::int32_t Odd0a = pair(C0_298 - C0_899 - C1_961 + C1_175, C1_175 - C0_899);
constexpr std::int32_t Odd0b = pair(C1_175, C1_175 - C1_961);
constexpr std::int32_t Odd1a = pair(C1_175, C1_175 - C0_390);
constexpr std::int32_t Odd1b = pair(C2_053 - C2_562 - C0_390 + C1_175, C1_175 - C2_562);
constexpr std::int32_t Odd2a = pair(C1_175 - C1_961, C1_175);
constexpr std::int32_t Odd2b = pair(C1_175 - C2_562, C3_072 - C2_562 - C1_961 + C1_175);
constexpr std::int32_t Odd3a = pair(C1_175 - C0_899, C1_501 - C0_899 - C0_390 + C1_175);
constexpr std::int32_t Odd3b = pair(C1_175 - C0_390, C1_175);
} // namespace k

// One 8-point pass over the lanes of x[0..7] (one 16-bit value a column), descaled by `Shift`
// with `round` added: results as 32-bit halves, lo (columns 0-3) and hi (columns 4-7).
template <class O, int Shift>
inline __attribute__((always_inline)) void idctPass(const typename O::V* x, typename O::V round,
                                                    typename O::V* lo, typename O::V* hi) {
    using V = typename O::V;
    const V k2 = O::splat32(k::Even2), k3 = O::splat32(k::Even3);
    const V ks = O::splat32(k::Sum04), kd = O::splat32(k::Diff04);
    V t10[2], t11[2], t12[2], t13[2];
    for (int h = 0; h < 2; ++h) {
        const V a = h ? O::unpackhi16(x[2], x[6]) : O::unpacklo16(x[2], x[6]);
        const V b = h ? O::unpackhi16(x[0], x[4]) : O::unpacklo16(x[0], x[4]);
        const V tmp2 = O::madd(a, k2), tmp3 = O::madd(a, k3);
        const V tmp0 = O::add32(O::madd(b, ks), round), tmp1 = O::add32(O::madd(b, kd), round);
        t10[h] = O::add32(tmp0, tmp3);
        t13[h] = O::sub32(tmp0, tmp3);
        t11[h] = O::add32(tmp1, tmp2);
        t12[h] = O::sub32(tmp1, tmp2);
    }
    for (int h = 0; h < 2; ++h) {
        const V a = h ? O::unpackhi16(x[7], x[1]) : O::unpacklo16(x[7], x[1]);
        const V b = h ? O::unpackhi16(x[5], x[3]) : O::unpacklo16(x[5], x[3]);
        const V p0 = O::add32(O::madd(a, O::splat32(k::Odd0a)), O::madd(b, O::splat32(k::Odd0b)));
        const V p1 = O::add32(O::madd(a, O::splat32(k::Odd1a)), O::madd(b, O::splat32(k::Odd1b)));
        const V p2 = O::add32(O::madd(a, O::splat32(k::Odd2a)), O::madd(b, O::splat32(k::Odd2b)));
        const V p3 = O::add32(O::madd(a, O::splat32(k::Odd3a)), O::madd(b, O::splat32(k::Odd3b)));
        V* out = h ? hi : lo;
        out[0] = O::template srai32<Shift>(O::add32(t10[h], p3));
        out[7] = O::template srai32<Shift>(O::sub32(t10[h], p3));
        out[1] = O::template srai32<Shift>(O::add32(t11[h], p2));
        out[6] = O::template srai32<Shift>(O::sub32(t11[h], p2));
        out[2] = O::template srai32<Shift>(O::add32(t12[h], p1));
        out[5] = O::template srai32<Shift>(O::sub32(t12[h], p1));
        out[3] = O::template srai32<Shift>(O::add32(t13[h], p0));
        out[4] = O::template srai32<Shift>(O::sub32(t13[h], p0));
    }
}

// Rows of eight 16-bit values become columns (within each 128-bit half).
template <class O> inline __attribute__((always_inline)) void transpose16(typename O::V* w) {
    using V = typename O::V;
    V a[8], b[8];
    for (int i = 0; i < 4; ++i) {
        a[2 * i] = O::unpacklo16(w[2 * i], w[2 * i + 1]);
        a[2 * i + 1] = O::unpackhi16(w[2 * i], w[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        b[4 * i] = O::unpacklo32(a[4 * i], a[4 * i + 2]);
        b[4 * i + 1] = O::unpackhi32(a[4 * i], a[4 * i + 2]);
        b[4 * i + 2] = O::unpacklo32(a[4 * i + 1], a[4 * i + 3]);
        b[4 * i + 3] = O::unpackhi32(a[4 * i + 1], a[4 * i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        w[2 * i] = O::unpacklo64(b[i], b[i + 4]);
        w[2 * i + 1] = O::unpackhi64(b[i], b[i + 4]);
    }
}

// The flat sample of a block with only a DC term (see the scalar code).
inline std::uint8_t flatSample(std::int16_t dc, std::int16_t quant) {
    std::int32_t deq = std::int32_t(dc) * quant;
    deq = deq < -32768 ? -32768 : deq > 32767 ? 32767 : deq;
    std::int32_t w = deq * 4;
    w = w < -32768 ? -32768 : w > 32767 ? 32767 : w;
    std::int32_t v = (w + 16) >> 5;
    v = v < -128 ? -128 : v > 127 ? 127 : v;
    return std::uint8_t(v + 128);
}

// O::Blocks blocks (1 or 2) from `coef` to `out`; `q` holds the quantisation rows as O wants
// them.
template <class O>
inline __attribute__((always_inline)) void
idctBlocks(const std::int16_t* coef, const typename O::V* q, const std::int16_t* quant,
           std::uint8_t* out, std::size_t stride) {
    using V = typename O::V;
    using namespace idct;
    V x[8];
    for (int r = 0; r < 8; ++r)
        x[r] = O::loadRow(coef, r);
    V ac = O::andDcMask(x[0]);
    for (int r = 1; r < 8; ++r)
        ac = O::bitOr(ac, x[r]);
    if (O::allZero(ac)) {
        std::uint8_t flat[O::Blocks * 8];
        for (int b = 0; b < O::Blocks; ++b)
            std::memset(flat + 8 * b, flatSample(coef[64 * b], quant[0]), 8);
        for (int r = 0; r < 8; ++r)
            std::memcpy(out + std::size_t(r) * stride, flat, sizeof flat);
        return;
    }
    // Dequantise, saturating: the 32-bit products packed back to 16 bits.
    for (int r = 0; r < 8; ++r) {
        const V low = O::mullo16(x[r], q[r]), high = O::mulhi16(x[r], q[r]);
        x[r] = O::packs32(O::unpacklo16(low, high), O::unpackhi16(low, high));
    }
    constexpr int shift1 = ConstBits - Pass1Bits, shift2 = ConstBits + Pass1Bits + 3;
    V lo[8], hi[8];
    // Down the columns; the results, saturated to 16 bits, are the rows of the work block.
    idctPass<O, shift1>(x, O::splat32(1 << (shift1 - 1)), lo, hi);
    for (int r = 0; r < 8; ++r)
        x[r] = O::packs32(lo[r], hi[r]);
    transpose16<O>(x);
    // Along the rows: result k holds sample k of every row.
    idctPass<O, shift2>(x, O::splat32(1 << (shift2 - 1)), lo, hi);
    // Saturated to -128..127 and moved to 0..255; then the 8 x 8 bytes are transposed.
    const V flip = O::splat8(-128);
    V c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = O::bitXor(
            O::packs16(O::packs32(lo[2 * i], hi[2 * i]), O::packs32(lo[2 * i + 1], hi[2 * i + 1])),
            flip);
    const V t0 = O::unpacklo8(c[0], c[1]), t1 = O::unpackhi8(c[0], c[1]);
    const V t2 = O::unpacklo8(c[2], c[3]), t3 = O::unpackhi8(c[2], c[3]);
    const V u0 = O::unpacklo8(t0, t1), u1 = O::unpackhi8(t0, t1);
    const V u2 = O::unpacklo8(t2, t3), u3 = O::unpackhi8(t2, t3);
    O::storeRows(out, stride, 0, O::unpacklo32(u0, u2));
    O::storeRows(out, stride, 2, O::unpackhi32(u0, u2));
    O::storeRows(out, stride, 4, O::unpacklo32(u1, u3));
    O::storeRows(out, stride, 6, O::unpackhi32(u1, u3));
}

} // namespace
} // namespace pixelon::jpeg
