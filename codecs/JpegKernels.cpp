#include "codecs/JpegKernels.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "codecs/JpegDct.h"
#include "codecs/JpegIdct.h"
#include "codecs/JpegTables.h"

namespace pixelon::jpeg {
namespace {

// Clamping to 0..255 by lookup, for sums of a sample and a colour-difference term.
struct RangeLimit {
    static constexpr int Offset = 512;
    std::array<std::uint8_t, 1536> table;
    RangeLimit() {
        for (int i = 0; i < 1536; ++i)
            table[std::size_t(i)] = std::uint8_t(std::clamp(i - Offset, 0, 255));
    }
    std::uint8_t operator()(int v) const { return table[std::size_t(v + Offset)]; }
};

// JFIF Y Cb Cr to RGB in 16-bit fixed point; chroma sample x >> Shift belongs to pixel x.
template <int Shift>
void yccRow(const std::uint8_t* __restrict y, const std::uint8_t* __restrict cb,
            const std::uint8_t* __restrict cr, int width, std::uint8_t* __restrict dst) {
    static const RangeLimit limit;
    constexpr int half = 1 << 15;
    // The colour-difference terms are worked out once per chroma sample and shared by the
    // 1 << Shift pixels it covers.
    const int chromaCount = (width + (1 << Shift) - 1) >> Shift;
    for (int j = 0; j < chromaCount; ++j) {
        const int b = cb[j] - 128, r = cr[j] - 128;
        const int addR = (91881 * r + half) >> 16;
        const int addG = (-22554 * b - 46802 * r + half) >> 16;
        const int addB = (116130 * b + half) >> 16;
        const int first = j << Shift;
        const int last = std::min(width, first + (1 << Shift));
        for (int x = first; x < last; ++x) {
            const int luma = y[x];
            dst[3 * x] = limit(luma + addR);
            dst[3 * x + 1] = limit(luma + addG);
            dst[3 * x + 2] = limit(luma + addB);
        }
    }
}

// Two rows sharing one chroma row of half their width, each chroma sample's terms worked out
// once for its four pixels.
void yccToRgbRowPair(const std::uint8_t* __restrict y0, const std::uint8_t* __restrict y1,
                     const std::uint8_t* __restrict cb, const std::uint8_t* __restrict cr,
                     int width, std::uint8_t* __restrict dst0, std::uint8_t* __restrict dst1) {
    static const RangeLimit limit;
    constexpr int half = 1 << 15;
    for (int j = 0; j < (width + 1) / 2; ++j) {
        const int b = cb[j] - 128, r = cr[j] - 128;
        const int addR = (91881 * r + half) >> 16;
        const int addG = (-22554 * b - 46802 * r + half) >> 16;
        const int addB = (116130 * b + half) >> 16;
        for (int x = 2 * j; x < std::min(width, 2 * j + 2); ++x) {
            dst0[3 * x] = limit(y0[x] + addR);
            dst0[3 * x + 1] = limit(y0[x] + addG);
            dst0[3 * x + 2] = limit(y0[x] + addB);
            dst1[3 * x] = limit(y1[x] + addR);
            dst1[3 * x + 1] = limit(y1[x] + addG);
            dst1[3 * x + 2] = limit(y1[x] + addB);
        }
    }
}

void yccToRgbRow(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr, int width,
                 bool halfChroma, std::uint8_t* dst) {
    if (halfChroma)
        yccRow<1>(y, cb, cr, width, dst);
    else
        yccRow<0>(y, cb, cr, width, dst);
}

// The JFIF conversion, with the level shift of 128 folded in.
void rgbToYccRow(const std::uint8_t* __restrict src, int width, float* __restrict py,
                 float* __restrict pb, float* __restrict pr) {
    for (int x = 0; x < width; ++x) {
        float r = src[3 * x], g = src[3 * x + 1], b = src[3 * x + 2];
        py[x] = 0.299f * r + 0.587f * g + 0.114f * b - 128.0f;
        pb[x] = -0.168736f * r - 0.331264f * g + 0.5f * b;
        pr[x] = 0.5f * r - 0.418688f * g - 0.081312f * b;
    }
}

void halveRow(const float* a, const float* b, int width, float* out) {
    for (int x = 0; x < width; ++x)
        out[x] = (a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1]) * 0.25f;
}

void forwardDctQuantise(const float* samples, std::size_t stride, const float* reciprocal,
                        std::int16_t* out) {
    std::array<float, 64> block;
    for (std::size_t y = 0; y < 8; ++y)
        std::copy_n(samples + y * stride, 8, block.data() + y * 8);
    ForwardDct(block);
    for (int k = 0; k < 64; ++k) {
        const std::size_t at = ZigZag[std::size_t(k)];
        // Rounds to nearest (the offset keeps truncation a floor); baseline coding carries
        // at most 10 bits of AC magnitude.
        const int v = int(block[at] * reciprocal[at] + 16384.5f) - 16384;
        out[k] = std::int16_t(std::clamp(v, -1023, 1023));
    }
}

void inverseDct(const std::int16_t* coef, const float* multipliers, std::uint8_t* out,
                std::size_t stride, int centre, int maxValue, int downShift) {
    InverseDct(coef, multipliers, out, stride, centre, maxValue, downShift);
}

constexpr JpegKernels scalarKernels = {"scalar",    inverseDct,        InverseDctIntScalar,
                                       yccToRgbRow, yccToRgbRowPair,   rgbToYccRow,
                                       halveRow,    forwardDctQuantise};

const JpegKernels* initialKernels() {
    const char* choice = std::getenv("PIXELON_JPEG_KERNELS");
    if (choice && std::strcmp(choice, "scalar") == 0)
        return &scalarKernels;
    if (choice && std::strcmp(choice, "sse2") == 0)
        return &Sse2JpegKernels();
    return &VectorJpegKernels();
}

std::atomic<const JpegKernels*>& activeKernels() {
    static std::atomic<const JpegKernels*> active{initialKernels()};
    return active;
}

} // namespace

const JpegKernels& ScalarJpegKernels() {
    return scalarKernels;
}

const JpegKernels& ActiveJpegKernels() {
    return *activeKernels().load(std::memory_order_relaxed);
}

void SelectJpegKernels(const JpegKernels& kernels) {
    activeKernels().store(&kernels, std::memory_order_relaxed);
}

} // namespace pixelon::jpeg
