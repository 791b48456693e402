// The vector kernels: the scalar code's arithmetic, operation for operation in the same order
// (no fused multiply-add, no reassociation), on 8 or 16 lanes at once, so the results are
// bit-identical. Written with the compiler's generic vectors; each kernel is compiled twice,
// for plain x86-64 (SSE2) and for AVX2, and the loader picks one for the processor.

#include "codecs/JpegKernels.h"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)

#include <cstring>
#include <type_traits>
#include <utility>

#include "codecs/JpegButterflies.h"
#include "codecs/JpegIdct.h"
#include "codecs/JpegTables.h"

#pragma GCC diagnostic ignored "-Wpsabi"

#define PIXELON_KERNEL __attribute__((target_clones("avx2", "default")))
#define PIXELON_INLINE inline __attribute__((always_inline))

namespace pixelon::jpeg {
namespace {

using F8 = float __attribute__((vector_size(32)));
using I8 = std::int32_t __attribute__((vector_size(32)));
using S8 = std::int16_t __attribute__((vector_size(16)));
using S16 = std::int16_t __attribute__((vector_size(32)));
using B8 = std::uint8_t __attribute__((vector_size(8)));
using B16 = std::uint8_t __attribute__((vector_size(16)));
using B32 = std::uint8_t __attribute__((vector_size(32)));

template <class V> PIXELON_INLINE V load(const void* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class V> PIXELON_INLINE void store(void* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

template <class V> PIXELON_INLINE V splat(auto value) {
    using Element = std::remove_cvref_t<decltype(std::declval<V>()[0])>;
    return V{} + Element(value);
}

// Rows w[0..7] become columns.
PIXELON_INLINE void transpose(F8* w) {
    F8 t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = __builtin_shufflevector(w[i], w[i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
        t[i + 1] = __builtin_shufflevector(w[i], w[i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
    }
    for (int i = 0; i < 8; i += 4) {
        u[i] = __builtin_shufflevector(t[i], t[i + 2], 0, 1, 8, 9, 4, 5, 12, 13);
        u[i + 1] = __builtin_shufflevector(t[i], t[i + 2], 2, 3, 10, 11, 6, 7, 14, 15);
        u[i + 2] = __builtin_shufflevector(t[i + 1], t[i + 3], 0, 1, 8, 9, 4, 5, 12, 13);
        u[i + 3] = __builtin_shufflevector(t[i + 1], t[i + 3], 2, 3, 10, 11, 6, 7, 14, 15);
    }
    for (int i = 0; i < 4; ++i) {
        w[i] = __builtin_shufflevector(u[i], u[i + 4], 0, 1, 2, 3, 8, 9, 10, 11);
        w[i + 4] = __builtin_shufflevector(u[i], u[i + 4], 4, 5, 6, 7, 12, 13, 14, 15);
    }
}

// The AAN inverse butterflies down the columns of rows w[0..7].
PIXELON_INLINE void idctPass(F8* w) {
    AanInverse8([w](int k) -> F8& { return w[k]; });
}

// The AAN forward butterflies down the columns of rows d[0..7].
PIXELON_INLINE void fdctPass(F8* d) {
    AanForward8([d](int k) -> F8& { return d[k]; });
}

template <class V> PIXELON_INLINE V clampTo(V v, V low, V high) {
    v = v < low ? low : v;
    return high < v ? high : v;
}

// The colour-difference terms of 8 chroma samples, in 16-bit fixed point as the scalar code.
PIXELON_INLINE void chromaTerms(const std::uint8_t* cb, const std::uint8_t* cr, S8& addR, S8& addG,
                                S8& addB) {
    const I8 b = __builtin_convertvector(load<B8>(cb), I8) - 128;
    const I8 r = __builtin_convertvector(load<B8>(cr), I8) - 128;
    constexpr int half = 1 << 15;
    addR = __builtin_convertvector((91881 * r + half) >> 16, S8);
    addG = __builtin_convertvector((-22554 * b - 46802 * r + half) >> 16, S8);
    addB = __builtin_convertvector((116130 * b + half) >> 16, S8);
}

PIXELON_INLINE B16 limited(S16 luma, S16 add) {
    return __builtin_convertvector(clampTo(luma + add, splat<S16>(0), splat<S16>(255)), B16);
}

// Byte `pos` of 16 interleaved RGB pixels, taken from R G R G ... (0..31) and B (32..47).
constexpr int rgbSource(int pos) {
    return pos % 3 < 2 ? 2 * (pos / 3) + pos % 3 : 32 + pos / 3;
}

template <int Chunk, int... I>
PIXELON_INLINE B16 rgbChunk(B32 rg, B32 bb, std::integer_sequence<int, I...>) {
    return __builtin_shufflevector(rg, bb, rgbSource(16 * Chunk + I)...);
}

PIXELON_INLINE void storeRgb(std::uint8_t* dst, B16 r, B16 g, B16 b) {
    const B32 rg =
        __builtin_shufflevector(r, g, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23, 8, 24,
                                9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
    const B32 bb =
        __builtin_shufflevector(b, b, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2,
                                3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const auto lanes = std::make_integer_sequence<int, 16>();
    store(dst, rgbChunk<0>(rg, bb, lanes));
    store(dst + 16, rgbChunk<1>(rg, bb, lanes));
    store(dst + 32, rgbChunk<2>(rg, bb, lanes));
}

// Byte `Offset` of every third one among 8 pixels, from 16 + 8 bytes.
template <int Offset> PIXELON_INLINE F8 channel(B16 a, B16 b) {
    const B8 c = __builtin_shufflevector(a, b, Offset, Offset + 3, Offset + 6, Offset + 9,
                                         Offset + 12, Offset + 15, Offset + 18, Offset + 21);
    return __builtin_convertvector(c, F8);
}

} // namespace

// Entry points with external linkage: the loader resolves each to the clone for the processor.
namespace vector_kernels {

PIXELON_KERNEL void inverseDct(const std::int16_t* coef, const float* multipliers,
                               std::uint8_t* out, std::size_t stride, int centre, int maxValue,
                               int downShift) {
    S8 rows[8];
    const S8 acLanes = {0, -1, -1, -1, -1, -1, -1, -1};
    rows[0] = load<S8>(coef);
    S8 ac = rows[0] & acLanes;
    for (int r = 1; r < 8; ++r) {
        rows[r] = load<S8>(coef + 8 * r);
        ac |= rows[r];
    }
    std::uint64_t acBits[2];
    std::memcpy(acBits, &ac, sizeof acBits);
    const float bias = float(centre) + 0.5f;
    const float top = float(maxValue);
    if ((acBits[0] | acBits[1]) == 0) {
        // A flat block: the DC term alone, as the scalar code works it out.
        float f = float(coef[0]) * multipliers[0] * 0.125f + bias;
        f = f < 0.0f ? 0.0f : f;
        f = top < f ? top : f;
        const std::uint8_t flat = std::uint8_t(int(f) >> downShift);
        for (int r = 0; r < 8; ++r)
            std::memset(out + std::size_t(r) * stride, flat, 8);
        return;
    }
    F8 w[8];
    for (int r = 0; r < 8; ++r)
        w[r] = __builtin_convertvector(rows[r], F8) * load<F8>(multipliers + 8 * r);
    idctPass(w);
    transpose(w);
    idctPass(w);
    transpose(w);
    const F8 zero = {}, high = splat<F8>(top);
    for (int r = 0; r < 8; ++r) {
        const F8 f = clampTo(w[r] * 0.125f + bias, zero, high);
        const I8 v = __builtin_convertvector(f, I8) >> downShift;
        store(out + std::size_t(r) * stride, __builtin_convertvector(v, B8));
    }
}

PIXELON_KERNEL void yccToRgbRow(const std::uint8_t* y, const std::uint8_t* cb,
                                const std::uint8_t* cr, int width, bool halfChroma,
                                std::uint8_t* dst) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        S8 r0, g0, b0, r1, g1, b1;
        S16 addR, addG, addB;
        if (halfChroma) {
            chromaTerms(cb + x / 2, cr + x / 2, r0, g0, b0);
            addR = __builtin_shufflevector(r0, r0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
            addG = __builtin_shufflevector(g0, g0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
            addB = __builtin_shufflevector(b0, b0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
        } else {
            chromaTerms(cb + x, cr + x, r0, g0, b0);
            chromaTerms(cb + x + 8, cr + x + 8, r1, g1, b1);
            addR = __builtin_shufflevector(r0, r1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14,
                                           15);
            addG = __builtin_shufflevector(g0, g1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14,
                                           15);
            addB = __builtin_shufflevector(b0, b1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14,
                                           15);
        }
        const S16 luma = __builtin_convertvector(load<B16>(y + x), S16);
        storeRgb(dst + 3 * x, limited(luma, addR), limited(luma, addG), limited(luma, addB));
    }
    if (x < width) {
        const int chroma = halfChroma ? x / 2 : x;
        ScalarJpegKernels().yccToRgbRow(y + x, cb + chroma, cr + chroma, width - x, halfChroma,
                                        dst + 3 * x);
    }
}

PIXELON_KERNEL void yccToRgbRowPair(const std::uint8_t* y0, const std::uint8_t* y1,
                                    const std::uint8_t* cb, const std::uint8_t* cr, int width,
                                    std::uint8_t* dst0, std::uint8_t* dst1) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        S8 r, g, b;
        chromaTerms(cb + x / 2, cr + x / 2, r, g, b);
        const S16 addR =
            __builtin_shufflevector(r, r, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
        const S16 addG =
            __builtin_shufflevector(g, g, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
        const S16 addB =
            __builtin_shufflevector(b, b, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
        const S16 luma0 = __builtin_convertvector(load<B16>(y0 + x), S16);
        storeRgb(dst0 + 3 * x, limited(luma0, addR), limited(luma0, addG), limited(luma0, addB));
        const S16 luma1 = __builtin_convertvector(load<B16>(y1 + x), S16);
        storeRgb(dst1 + 3 * x, limited(luma1, addR), limited(luma1, addG), limited(luma1, addB));
    }
    if (x < width)
        ScalarJpegKernels().yccToRgbRowPair(y0 + x, y1 + x, cb + x / 2, cr + x / 2, width - x,
                                            dst0 + 3 * x, dst1 + 3 * x);
}

PIXELON_KERNEL void rgbToYccRow(const std::uint8_t* src, int width, float* py, float* pb,
                                float* pr) {
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const B16 a = load<B16>(src + 3 * x);
        const B8 tail = load<B8>(src + 3 * x + 16);
        const B16 b =
            __builtin_shufflevector(tail, tail, 0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7);
        const F8 r = channel<0>(a, b), g = channel<1>(a, b), bl = channel<2>(a, b);
        store(py + x, 0.299f * r + 0.587f * g + 0.114f * bl - 128.0f);
        store(pb + x, -0.168736f * r - 0.331264f * g + 0.5f * bl);
        store(pr + x, 0.5f * r - 0.418688f * g - 0.081312f * bl);
    }
    if (x < width)
        ScalarJpegKernels().rgbToYccRow(src + 3 * x, width - x, py + x, pb + x, pr + x);
}

PIXELON_KERNEL void halveRow(const float* a, const float* b, int width, float* out) {
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const F8 a0 = load<F8>(a + 2 * x), a1 = load<F8>(a + 2 * x + 8);
        const F8 b0 = load<F8>(b + 2 * x), b1 = load<F8>(b + 2 * x + 8);
        const F8 ae = __builtin_shufflevector(a0, a1, 0, 2, 4, 6, 8, 10, 12, 14);
        const F8 ao = __builtin_shufflevector(a0, a1, 1, 3, 5, 7, 9, 11, 13, 15);
        const F8 be = __builtin_shufflevector(b0, b1, 0, 2, 4, 6, 8, 10, 12, 14);
        const F8 bo = __builtin_shufflevector(b0, b1, 1, 3, 5, 7, 9, 11, 13, 15);
        store(out + x, (ae + ao + be + bo) * 0.25f);
    }
    if (x < width)
        ScalarJpegKernels().halveRow(a + 2 * x, b + 2 * x, width - x, out + x);
}

PIXELON_KERNEL void forwardDctQuantise(const float* samples, std::size_t stride,
                                       const float* reciprocals, std::int16_t* out) {
    F8 w[8];
    for (std::size_t r = 0; r < 8; ++r)
        w[r] = load<F8>(samples + r * stride);
    // Along the rows first, as the scalar code: transposed, the rows are down the lanes.
    transpose(w);
    fdctPass(w);
    transpose(w);
    fdctPass(w);
    std::int16_t natural[64];
    const I8 low = splat<I8>(-1023), high = splat<I8>(1023);
    for (int r = 0; r < 8; ++r) {
        const F8 scaled = w[r] * load<F8>(reciprocals + 8 * r) + 16384.5f;
        const I8 v = __builtin_convertvector(scaled, I8) - 16384;
        store(natural + 8 * r, __builtin_convertvector(clampTo(v, low, high), S8));
    }
    for (std::size_t k = 0; k < 64; ++k)
        out[k] = natural[ZigZag[k]];
}

} // namespace vector_kernels

const JpegKernels& Sse2JpegKernels() {
    static constexpr JpegKernels kernels = {
        "sse2",
        vector_kernels::inverseDct,
        InverseDctIntSse2,
        vector_kernels::yccToRgbRow,
        vector_kernels::yccToRgbRowPair,
        vector_kernels::rgbToYccRow,
        vector_kernels::halveRow,
        vector_kernels::forwardDctQuantise,
    };
    return kernels;
}

const JpegKernels& VectorJpegKernels() {
    static const JpegKernels kernels = [] {
        JpegKernels k = Sse2JpegKernels();
        k.name = "vector";
        if (CpuHasAvx2()) {
            k.inverseDctInt = InverseDctIntAvx2;
            k.yccToRgbRowPair = YccToRgbRowPairAvx2;
        }
        return k;
    }();
    return kernels;
}

} // namespace pixelon::jpeg

#else

namespace pixelon::jpeg {

const JpegKernels& VectorJpegKernels() {
    return ScalarJpegKernels();
}

const JpegKernels& Sse2JpegKernels() {
    return ScalarJpegKernels();
}

} // namespace pixelon::jpeg

#endif
