// Y Cb Cr to RGB for 4:2:0 with AVX2: two output rows from one chroma row, 32 pixels of each
// at a time. Only this file is compiled for AVX2, and it calls nothing outside itself but the
// scalar code for the last pixels of a row; callers check CpuHasAvx2() first.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#pragma GCC target("avx2")
#define PIXELON_COLOUR_AVX2 1
#endif

#include "codecs/JpegKernels.h"

#ifdef PIXELON_COLOUR_AVX2

#include <immintrin.h>

namespace pixelon::jpeg {
namespace {

// The colour-difference terms of 16 chroma samples, as the scalar code works them out:
//   red   (91881 r + 2^15) >> 16             = r + ((26345 r + 2^15) >> 16)
//   blue  (116130 b + 2^15) >> 16            = 2 b + ((-14942 b + 2^15) >> 16)
//   green (-22554 b - 46802 r + 2^15) >> 16  = -r + ((18734 r - 22554 b + 2^15) >> 16)
// with b = Cb - 128 and r = Cr - 128. (c x + 2^15) >> 16 equals ((c 2x >> 16) + 1) >> 1, the
// high half of a 16-bit product rounded once more, for the single-product terms.
struct Terms {
    __m256i red, green, blue;
};

inline Terms chromaTerms(const std::uint8_t* cb, const std::uint8_t* cr) {
    const __m256i centre = _mm256_set1_epi16(128), one = _mm256_set1_epi16(1);
    const __m256i b = _mm256_sub_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cb))), centre);
    const __m256i r = _mm256_sub_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cr))), centre);
    auto rounded = [&](__m256i x2, short c) {
        return _mm256_srai_epi16(
            _mm256_add_epi16(_mm256_mulhi_epi16(x2, _mm256_set1_epi16(c)), one), 1);
    };
    Terms t;
    t.red = _mm256_add_epi16(r, rounded(_mm256_add_epi16(r, r), 26345));
    const __m256i b2 = _mm256_add_epi16(b, b);
    t.blue = _mm256_add_epi16(b2, rounded(b2, -14942));
    const __m256i pairs = _mm256_set1_epi32(
        int(std::uint32_t(std::uint16_t(18734)) | std::uint32_t(std::uint16_t(-22554)) << 16));
    const __m256i half = _mm256_set1_epi32(1 << 15);
    const __m256i lo = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(r, b), pairs), half), 16);
    const __m256i hi = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(r, b), pairs), half), 16);
    t.green = _mm256_sub_epi16(_mm256_packs_epi32(lo, hi), r);
    return t;
}

// Each of 16 terms twice: pixels 0-15 and 16-31.
inline void doubled(__m256i t, __m256i& first, __m256i& second) {
    const __m256i q = _mm256_permute4x64_epi64(t, 0xD8);
    first = _mm256_unpacklo_epi16(q, q);
    second = _mm256_unpackhi_epi16(q, q);
}

// 32 samples of one channel as bytes, pixels 0-15 in the low half, 16-31 in the high half.
inline __m256i channel(__m256i luma0, __m256i luma1, __m256i add0, __m256i add1) {
    return _mm256_permute4x64_epi64(
        _mm256_packus_epi16(_mm256_add_epi16(luma0, add0), _mm256_add_epi16(luma1, add1)), 0xD8);
}

// Byte i of 16-byte chunk k (0, 1, 2) of interleaved RGB comes from channel (16 k + i) % 3,
// pixel (16 k + i) / 3; -1 leaves a zero there for another channel to fill. Both halves of a
// register alike.
struct Masks {
    alignas(32) std::int8_t bytes[3][3][32];
};

constexpr Masks makeMasks() {
    Masks masks{};
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 32; ++i) {
                const int at = 16 * k + i % 16;
                masks.bytes[k][c][i] = std::int8_t(at % 3 == c ? at / 3 : -1);
            }
    return masks;
}

constexpr Masks rgbMasks = makeMasks();

inline __m256i mask(int chunk, int channelIndex) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(rgbMasks.bytes[chunk][channelIndex]));
}

// 32 pixels of interleaved RGB (96 bytes) from the channels.
inline void storeRgb(std::uint8_t* dst, __m256i r, __m256i g, __m256i b) {
    __m256i chunk[3];
    for (int k = 0; k < 3; ++k)
        chunk[k] = _mm256_or_si256(
            _mm256_or_si256(_mm256_shuffle_epi8(r, mask(k, 0)), _mm256_shuffle_epi8(g, mask(k, 1))),
            _mm256_shuffle_epi8(b, mask(k, 2)));
    // The low halves hold bytes 0-47 (pixels 0-15), the high halves bytes 48-95.
    auto* out = reinterpret_cast<__m256i*>(dst);
    _mm256_storeu_si256(out, _mm256_permute2x128_si256(chunk[0], chunk[1], 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(chunk[2], chunk[0], 0x30));
    _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(chunk[1], chunk[2], 0x31));
}

} // namespace

void YccToRgbRowPairAvx2(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* cb,
                         const std::uint8_t* cr, int width, std::uint8_t* dst0,
                         std::uint8_t* dst1) {
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        const Terms t = chromaTerms(cb + x / 2, cr + x / 2);
        __m256i r0, r1, g0, g1, b0, b1;
        doubled(t.red, r0, r1);
        doubled(t.green, g0, g1);
        doubled(t.blue, b0, b1);
        const std::uint8_t* rows[2] = {y0, y1};
        std::uint8_t* dsts[2] = {dst0, dst1};
        for (int i = 0; i < 2; ++i) {
            const __m256i luma0 = _mm256_cvtepu8_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[i] + x)));
            const __m256i luma1 = _mm256_cvtepu8_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[i] + x + 16)));
            storeRgb(dsts[i] + 3 * x, channel(luma0, luma1, r0, r1), channel(luma0, luma1, g0, g1),
                     channel(luma0, luma1, b0, b1));
        }
    }
    if (x < width)
        ScalarJpegKernels().yccToRgbRowPair(y0 + x, y1 + x, cb + x / 2, cr + x / 2, width - x,
                                            dst0 + 3 * x, dst1 + 3 * x);
}

} // namespace pixelon::jpeg

#else

namespace pixelon::jpeg {

void YccToRgbRowPairAvx2(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* cb,
                         const std::uint8_t* cr, int width, std::uint8_t* dst0,
                         std::uint8_t* dst1) {
    VectorJpegKernels().yccToRgbRowPair(y0, y1, cb, cr, width, dst0, dst1);
}

} // namespace pixelon::jpeg

#endif
