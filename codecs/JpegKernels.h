#pragma once

// The codec's per-sample inner loops behind a table of functions: the portable scalar code,
// which is the reference, and a vector version for x86-64 (SSE2 everywhere, AVX2 picked at
// run time where the processor has it). Both give identical results; tests switch between
// them to check that.

#include <cstddef>
#include <cstdint>

namespace pixelon::jpeg {

struct JpegKernels {
    const char* name;
    // Dequantises and inverse-transforms one block (see InverseDct in JpegDct.h); `multipliers`
    // holds 64 floats from InverseDctMultipliers. Used for 12-bit samples.
    void (*inverseDct)(const std::int16_t* coef, const float* multipliers, std::uint8_t* out,
                       std::size_t stride, int centre, int maxValue, int downShift);
    // The integer transform of 8-bit samples over `count` consecutive blocks (see
    // InverseDctIntScalar in JpegIdct.h).
    void (*inverseDctInt)(const std::int16_t* coef, const std::int16_t* quant, int count,
                          std::uint8_t* out, std::size_t stride);
    // JFIF Y Cb Cr to interleaved RGB over one row of `width` pixels. With `halfChroma`, chroma
    // sample x / 2 belongs to pixel x (horizontal doubling by replication).
    void (*yccToRgbRow)(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr,
                        int width, bool halfChroma, std::uint8_t* dst);
    // The same over two rows that share their chroma row at half the width (4:2:0): each chroma
    // sample belongs to 2 x 2 pixels, and its colour-difference terms are worked out once.
    void (*yccToRgbRowPair)(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* cb,
                            const std::uint8_t* cr, int width, std::uint8_t* dst0,
                            std::uint8_t* dst1);
    // Interleaved RGB to level-shifted Y, Cb and Cr samples over one row.
    void (*rgbToYccRow)(const std::uint8_t* rgb, int width, float* y, float* cb, float* cr);
    // Averages 2 x 2 samples: rows `a` and `b` of 2 * `width` samples into `width`.
    void (*halveRow)(const float* a, const float* b, int width, float* out);
    // Forward DCT and quantisation of the 8 x 8 samples at `samples` (row stride `stride`)
    // with the 64 reciprocal divisors (natural order) into 64 coefficients in zig-zag order,
    // rounded to nearest and limited to -1023..1023.
    void (*forwardDctQuantise)(const float* samples, std::size_t stride, const float* reciprocals,
                               std::int16_t* out);
};

const JpegKernels& ScalarJpegKernels();
// yccToRgbRowPair with AVX2; only where CpuHasAvx2() (JpegIdct.h) says so.
void YccToRgbRowPairAvx2(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* cb,
                         const std::uint8_t* cr, int width, std::uint8_t* dst0, std::uint8_t* dst1);
// The vector kernels where the build has them, else the scalar ones; the integer transform and
// the paired-row conversion take AVX2 where the processor has it.
const JpegKernels& VectorJpegKernels();
// The vector kernels with the SSE2 integer transform whatever the processor, to test the path
// a processor without AVX2 takes.
const JpegKernels& Sse2JpegKernels();

// The kernels the codec uses: the vector ones unless the environment variable
// PIXELON_JPEG_KERNELS is "scalar" or "sse2" when first asked, or a test chose others.
const JpegKernels& ActiveJpegKernels();
void SelectJpegKernels(const JpegKernels& kernels);

} // namespace pixelon::jpeg
