// The integer inverse DCT with AVX2, two blocks at once. Only this file is compiled for AVX2,
// and it calls nothing outside itself, so no code meant for every processor picks up AVX2
// instructions; callers check CpuHasAvx2() first.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#pragma GCC target("avx2")
#define PIXELON_IDCT_AVX2 1
#endif

#include "codecs/JpegIdct.h"

#ifdef PIXELON_IDCT_AVX2

#include "codecs/JpegIdctSimd.h"

namespace pixelon::jpeg {
namespace {

// Two blocks: the low half of a register holds a row of the first, the high half the same row
// of the second.
struct Avx2 {
    using V = __m256i;
    static constexpr int Blocks = 2;
    static V splat32(std::int32_t v) { return _mm256_set1_epi32(v); }
    static V splat8(char v) { return _mm256_set1_epi8(v); }
    static V loadRow(const std::int16_t* coef, int r) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 8 * r));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 64 + 8 * r));
        return _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
    }
    static V andDcMask(V v) {
        return _mm256_and_si256(
            v, _mm256_set_epi16(-1, -1, -1, -1, -1, -1, -1, 0, -1, -1, -1, -1, -1, -1, -1, 0));
    }
    static V bitOr(V a, V b) { return _mm256_or_si256(a, b); }
    static V bitXor(V a, V b) { return _mm256_xor_si256(a, b); }
    static bool allZero(V v) { return _mm256_testz_si256(v, v); }
    static V mullo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V mulhi16(V a, V b) { return _mm256_mulhi_epi16(a, b); }
    static V madd(V a, V b) { return _mm256_madd_epi16(a, b); }
    static V add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static V sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
    template <int N> static V srai32(V v) { return _mm256_srai_epi32(v, N); }
    static V packs32(V a, V b) { return _mm256_packs_epi32(a, b); }
    static V packs16(V a, V b) { return _mm256_packs_epi16(a, b); }
    static V unpacklo8(V a, V b) { return _mm256_unpacklo_epi8(a, b); }
    static V unpackhi8(V a, V b) { return _mm256_unpackhi_epi8(a, b); }
    static V unpacklo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
    static V unpackhi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
    static V unpacklo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
    static V unpackhi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
    static V unpacklo64(V a, V b) { return _mm256_unpacklo_epi64(a, b); }
    static V unpackhi64(V a, V b) { return _mm256_unpackhi_epi64(a, b); }
    // v holds rows r, r + 1 of the first block and then of the second: each row of both blocks
    // becomes 16 bytes side by side.
    static void storeRows(std::uint8_t* out, std::size_t stride, int r, V v) {
        const V rows = _mm256_permute4x64_epi64(v, 0xD8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + std::size_t(r) * stride),
                         _mm256_castsi256_si128(rows));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + std::size_t(r + 1) * stride),
                         _mm256_extracti128_si256(rows, 1));
    }
};

// The same on one block with the 128-bit forms, for an odd block at the end of a row.
struct Sse {
    using V = __m128i;
    static constexpr int Blocks = 1;
    static V splat32(std::int32_t v) { return _mm_set1_epi32(v); }
    static V splat8(char v) { return _mm_set1_epi8(v); }
    static V loadRow(const std::int16_t* coef, int r) {
        return _mm_loadu_si128(reinterpret_cast<const V*>(coef + 8 * r));
    }
    static V andDcMask(V v) {
        return _mm_and_si128(v, _mm_set_epi16(-1, -1, -1, -1, -1, -1, -1, 0));
    }
    static V bitOr(V a, V b) { return _mm_or_si128(a, b); }
    static V bitXor(V a, V b) { return _mm_xor_si128(a, b); }
    static bool allZero(V v) { return _mm_testz_si128(v, v); }
    static V mullo16(V a, V b) { return _mm_mullo_epi16(a, b); }
    static V mulhi16(V a, V b) { return _mm_mulhi_epi16(a, b); }
    static V madd(V a, V b) { return _mm_madd_epi16(a, b); }
    static V add32(V a, V b) { return _mm_add_epi32(a, b); }
    static V sub32(V a, V b) { return _mm_sub_epi32(a, b); }
    template <int N> static V srai32(V v) { return _mm_srai_epi32(v, N); }
    static V packs32(V a, V b) { return _mm_packs_epi32(a, b); }
    static V packs16(V a, V b) { return _mm_packs_epi16(a, b); }
    static V unpacklo8(V a, V b) { return _mm_unpacklo_epi8(a, b); }
    static V unpackhi8(V a, V b) { return _mm_unpackhi_epi8(a, b); }
    static V unpacklo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
    static V unpackhi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
    static V unpacklo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }
    static V unpackhi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }
    static V unpacklo64(V a, V b) { return _mm_unpacklo_epi64(a, b); }
    static V unpackhi64(V a, V b) { return _mm_unpackhi_epi64(a, b); }
    static void storeRows(std::uint8_t* out, std::size_t stride, int r, V v) {
        _mm_storel_epi64(reinterpret_cast<V*>(out + std::size_t(r) * stride), v);
        _mm_storel_epi64(reinterpret_cast<V*>(out + std::size_t(r + 1) * stride),
                         _mm_unpackhi_epi64(v, v));
    }
};

} // namespace

void InverseDctIntAvx2(const std::int16_t* coef, const std::int16_t* quant, int count,
                       std::uint8_t* out, std::size_t stride) {
    __m256i q2[8];
    __m128i q1[8];
    for (int r = 0; r < 8; ++r) {
        q1[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(quant + 8 * r));
        q2[r] = _mm256_broadcastsi128_si256(q1[r]);
    }
    int b = 0;
    for (; b + 2 <= count; b += 2)
        idctBlocks<Avx2>(coef + 64 * b, q2, quant, out + 8 * b, stride);
    if (b < count)
        idctBlocks<Sse>(coef + 64 * b, q1, quant, out + 8 * b, stride);
}

bool CpuHasAvx2() {
    return __builtin_cpu_supports("avx2");
}

} // namespace pixelon::jpeg

#else

namespace pixelon::jpeg {

void InverseDctIntAvx2(const std::int16_t* coef, const std::int16_t* quant, int count,
                       std::uint8_t* out, std::size_t stride) {
    InverseDctIntSse2(coef, quant, count, out, stride);
}

bool CpuHasAvx2() {
    return false;
}

} // namespace pixelon::jpeg

#endif
