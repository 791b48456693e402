#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace pixelon {

// PNG row filtering, as PDF's predictor 15 reads it: each row is sent as one filter byte (0
// none, 1 sub, 2 up, 3 average, 4 Paeth) and the row's bytes minus what that filter predicts
// from the pixel to the left (`pixelBytes` back) and the row above.
class RowFilter {
public:
    explicit RowFilter(std::size_t pixelBytes) : m_pixelBytes(pixelBytes) {}

    // Appends `row` filtered against `previous` (all zeros for the first row; as long as
    // `row`) with the filter whose output looks smallest: the least sum of its bytes taken as
    // signed, as PNG encoders choose.
    void Append(std::span<const std::uint8_t> row, std::span<const std::uint8_t> previous,
                std::vector<std::uint8_t>& out);

private:
    std::size_t m_pixelBytes;
    std::array<std::vector<std::uint8_t>, 5> m_trial; // each filter's output of the row
};

} // namespace pixelon
