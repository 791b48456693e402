#pragma once

#include <cstdint>

namespace pixelon {

// A colour channel's place in a packed pixel, as a bitmap's channel mask gives it: the lowest
// bit of the field and the number of bits from there on (0 for an empty mask).
struct BitField {
    int shift = 0;
    int width = 0;

    static constexpr BitField of(std::uint32_t mask) {
        BitField field;
        if (mask == 0)
            return field;
        while (!(mask >> field.shift & 1))
            ++field.shift;
        while (field.shift + field.width < 32 && (mask >> (field.shift + field.width) & 1))
            ++field.width;
        return field;
    }

    // The field's value in `pixel`, scaled to 0..255 so that its largest value is 255.
    constexpr int Scaled(std::uint32_t pixel) const {
        if (width == 0)
            return 0;
        const std::uint64_t largest = (std::uint64_t(1) << width) - 1;
        const std::uint64_t value = pixel >> shift & largest;
        return int(value * 255 / largest);
    }
};

} // namespace pixelon
