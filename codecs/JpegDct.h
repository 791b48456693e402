#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace pixelon::jpeg {

// Multipliers that fold a quantisation table (natural order) and the AAN scale factors into
// the inverse DCT.
std::array<float, 64> InverseDctMultipliers(std::span<const std::uint16_t, 64> quant);

// Dequantises and inverse-transforms one block of coefficients (natural order) into 8 x 8
// samples at `out` with row stride `stride`: level shift `centre`, clamped to 0..`maxValue`,
// then shifted right by `downShift` to 8 bits.
void InverseDct(const std::int16_t* coef, const float* multipliers, std::uint8_t* out,
                std::size_t stride, int centre, int maxValue, int downShift);
inline void InverseDct(const std::int16_t* coef, const std::array<float, 64>& multipliers,
                       std::uint8_t* out, std::size_t stride, int centre, int maxValue,
                       int downShift) {
    InverseDct(coef, multipliers.data(), out, stride, centre, maxValue, downShift);
}

// The separable floating-point AAN forward DCT, in place on level-shifted samples. The result
// for coefficient (u, v) is scaled by 8 s(u) s(v), which the quantisation divisors undo.
void ForwardDct(std::array<float, 64>& block);

} // namespace pixelon::jpeg
