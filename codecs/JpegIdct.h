#pragma once

// The accurate integer inverse DCT for 8-bit samples: the Loeffler-Ligtenberg-Moschytz
// factorisation with 13-bit constants, columns first, two fraction bits kept between the passes.
// This is the transform most decoders use by default, so the samples agree exactly with theirs.
//
// The arithmetic is defined for every input, damaged ones included, so that the scalar code and
// the vector versions give the same bytes: a dequantised coefficient is saturated to 16 bits,
// every sum of products is taken modulo 2^32 (so any grouping of the terms gives the same
// value), the first pass's results are saturated to 16 bits, and the samples are clamped.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pixelon::jpeg {

namespace idct {
// cos and sin products of the factorisation times 2^13, rounded.
inline constexpr std::int32_t C0_298 = 2446, C0_390 = 3196, C0_541 = 4433, C0_765 = 6270,
                              C0_899 = 7373, C1_175 = 9633, C1_501 = 12299, C1_847 = 15137,
                              C1_961 = 16069, C2_053 = 16819, C2_562 = 20995, C3_072 = 25172;
inline constexpr int ConstBits = 13;
inline constexpr int Pass1Bits = 2;
} // namespace idct

// A quantisation table (natural order) as the integer transform takes it: entries above 32767
// act as 32767, since any non-zero coefficient times either saturates.
using IntegerQuant = std::array<std::int16_t, 64>;
IntegerQuant MakeIntegerQuant(std::span<const std::uint16_t, 64> quant);

// Dequantises and transforms `count` blocks stored one after another (64 coefficients each,
// natural order) into 8 x 8 samples side by side: block b goes to out + 8 b, rows `stride`
// apart.
void InverseDctIntScalar(const std::int16_t* coef, const std::int16_t* quant, int count,
                         std::uint8_t* out, std::size_t stride);

// The same with SSE2 (any x86-64) and AVX2 (two blocks at once); elsewhere they are the scalar
// code. Call the AVX2 one only where CpuHasAvx2() says so.
void InverseDctIntSse2(const std::int16_t* coef, const std::int16_t* quant, int count,
                       std::uint8_t* out, std::size_t stride);
void InverseDctIntAvx2(const std::int16_t* coef, const std::int16_t* quant, int count,
                       std::uint8_t* out, std::size_t stride);
bool CpuHasAvx2();

} // namespace pixelon::jpeg
