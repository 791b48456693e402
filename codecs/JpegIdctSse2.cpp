// The integer inverse DCT with SSE2, which every x86-64 processor has.

#include "codecs/JpegIdct.h"

#if defined(__x86_64__) && defined(__SSE2__)

#include "codecs/JpegIdctSimd.h"

namespace pixelon::jpeg {
namespace {

// One block: a register holds one row of eight 16-bit values.
struct Sse2 {
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
    static bool allZero(V v) {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
    }
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
    // Rows r and r + 1 from the two halves of v.
    static void storeRows(std::uint8_t* out, std::size_t stride, int r, V v) {
        _mm_storel_epi64(reinterpret_cast<V*>(out + std::size_t(r) * stride), v);
        _mm_storel_epi64(reinterpret_cast<V*>(out + std::size_t(r + 1) * stride),
                         _mm_unpackhi_epi64(v, v));
    }
};

} // namespace

void InverseDctIntSse2(const std::int16_t* coef, const std::int16_t* quant, int count,
                       std::uint8_t* out, std::size_t stride) {
    __m128i q[8];
    for (int r = 0; r < 8; ++r)
        q[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(quant + 8 * r));
    for (int b = 0; b < count; ++b)
        idctBlocks<Sse2>(coef + 64 * b, q, quant, out + 8 * b, stride);
}

} // namespace pixelon::jpeg

#else

namespace pixelon::jpeg {

void InverseDctIntSse2(const std::int16_t* coef, const std::int16_t* quant, int count,
                       std::uint8_t* out, std::size_t stride) {
    InverseDctIntScalar(coef, quant, count, out, stride);
}

} // namespace pixelon::jpeg

#endif
