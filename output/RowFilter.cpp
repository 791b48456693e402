#include "output/RowFilter.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pixelon {

namespace {

inline int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// How far a filtered byte is from zero, the byte taken as signed.
inline unsigned Size(std::uint8_t v) {
    return v < 128 ? v : 256u - v;
}

// Bytes [from, to) of every filter's output, one at a time; their sizes added to `cost`.
void FilterBytes(const std::uint8_t* x, const std::uint8_t* up, std::size_t from, std::size_t to,
                 std::size_t bpp, std::array<std::uint8_t*, 5> out,
                 std::array<unsigned long, 5>& cost) {
    for (std::size_t i = from; i < to; ++i) {
        const int a = i >= bpp ? x[i - bpp] : 0;
        const int b = up[i];
        const int c = i >= bpp ? up[i - bpp] : 0;
        const std::array<std::uint8_t, 5> f{x[i], std::uint8_t(x[i] - a), std::uint8_t(x[i] - b),
                                            std::uint8_t(x[i] - (a + b) / 2),
                                            std::uint8_t(x[i] - Paeth(a, b, c))};
        for (std::size_t k = 0; k < 5; ++k) {
            out[k][i] = f[k];
            cost[k] += Size(f[k]);
        }
    }
}

#if defined(__SSE2__)
// Sixteen bytes at a time from `from`, as many as fit before `to`; returns where it stopped.
// The same arithmetic as FilterBytes: the Paeth choice on 16-bit lanes, the sizes summed
// with the sum of absolute differences against zero.
std::size_t FilterVectors(const std::uint8_t* x, const std::uint8_t* up, std::size_t from,
                          std::size_t to, std::size_t bpp, std::array<std::uint8_t*, 5> out,
                          std::array<unsigned long, 5>& cost) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    __m128i sums[5] = {zero, zero, zero, zero, zero};
    const auto size = [&](__m128i v) {
        return _mm_sad_epu8(_mm_min_epu8(v, _mm_sub_epi8(zero, v)), zero);
    };
    const auto paeth16 = [](__m128i a, __m128i b, __m128i c) {
        const auto abs16 = [](__m128i v) {
            return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
        };
        const __m128i pa = abs16(_mm_sub_epi16(b, c));
        const __m128i pb = abs16(_mm_sub_epi16(a, c));
        const __m128i pc = abs16(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
        const __m128i takeA = _mm_andnot_si128(
            _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc)), _mm_set1_epi16(-1));
        const __m128i takeB = _mm_andnot_si128(_mm_cmpgt_epi16(pb, pc), _mm_set1_epi16(-1));
        const __m128i bc = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
        return _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, bc));
    };
    std::size_t i = from;
    for (; i + 16 <= to; i += 16) {
        const __m128i vx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i - bpp));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + i));
        const __m128i vc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + i - bpp));
        // The average rounded down: the rounded-up average less the odd bit of the sum.
        const __m128i average =
            _mm_sub_epi8(_mm_avg_epu8(va, vb), _mm_and_si128(_mm_xor_si128(va, vb), one));
        const __m128i predicted =
            _mm_packus_epi16(paeth16(_mm_unpacklo_epi8(va, zero), _mm_unpacklo_epi8(vb, zero),
                                     _mm_unpacklo_epi8(vc, zero)),
                             paeth16(_mm_unpackhi_epi8(va, zero), _mm_unpackhi_epi8(vb, zero),
                                     _mm_unpackhi_epi8(vc, zero)));
        const __m128i f[5] = {vx, _mm_sub_epi8(vx, va), _mm_sub_epi8(vx, vb),
                              _mm_sub_epi8(vx, average), _mm_sub_epi8(vx, predicted)};
        for (std::size_t k = 0; k < 5; ++k) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[k] + i), f[k]);
            sums[k] = _mm_add_epi64(sums[k], size(f[k]));
        }
    }
    for (std::size_t k = 0; k < 5; ++k)
        cost[k] += static_cast<unsigned long>(
            _mm_cvtsi128_si64(sums[k]) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums[k], sums[k])));
    return i;
}
#endif

} // namespace

void RowFilter::Append(std::span<const std::uint8_t> row, std::span<const std::uint8_t> previous,
                       std::vector<std::uint8_t>& out) {
    const std::size_t n = row.size();
    std::array<std::uint8_t*, 5> trial;
    for (std::size_t k = 0; k < 5; ++k) {
        m_trial[k].resize(n);
        trial[k] = m_trial[k].data();
    }
    std::array<unsigned long, 5> cost{};
    const std::size_t bpp = m_pixelBytes;
    std::size_t i = std::min(bpp, n);
    FilterBytes(row.data(), previous.data(), 0, i, bpp, trial, cost);
#if defined(__SSE2__)
    i = FilterVectors(row.data(), previous.data(), i, n, bpp, trial, cost);
#endif
    FilterBytes(row.data(), previous.data(), i, n, bpp, trial, cost);
    const std::size_t best = std::size_t(std::min_element(cost.begin(), cost.end()) - cost.begin());
    out.push_back(std::uint8_t(best));
    out.insert(out.end(), m_trial[best].begin(), m_trial[best].end());
}

} // namespace pixelon
