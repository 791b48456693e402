#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace pixelon::jpeg {

// Bounds that keep a hostile file from costing unbounded memory or time.
struct DecodeLimits {
    int maxDimension = 16384;
    std::uint64_t maxPixels = 64ull * 1024 * 1024;
    int maxScans = 1000;
    // When set, a sequential frame beyond maxDimension is not refused but output as its
    // top-left part of this size, without holding the rest.
    int cropWidth = 0;
    int cropHeight = 0;
};

// A decoded frame: 1 sample a pixel (grey) or 3 (red, green, blue), row after row.
struct DecodedImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> samples;
    // From a JFIF APP0 segment: units (0 none, 1 dots per inch, 2 dots per centimetre) and
    // densities as stored; unset without one.
    bool hasDensity = false;
    int densityUnits = 0;
    int xDensity = 0;
    int yDensity = 0;
};

// Decodes baseline, extended sequential and progressive Huffman-coded JPEG data. Throws
// EFatalError for data that is not such a JPEG or breaks the limits; truncated or damaged
// entropy-coded data decodes as far as it goes. `progress` receives 0..80 percent.
DecodedImage DecodeJpeg(std::span<const std::uint8_t> data, const DecodeLimits& limits = {},
                        const std::function<void(int)>& progress = {});

} // namespace pixelon::jpeg
