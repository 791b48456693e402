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
    // When set, at most the top-left part of this size is output, from a frame of any size.
    // Only the MCU rows that part needs are decoded and only their coefficients held (across
    // the whole width: a progressive refinement needs what each block's earlier scans gave).
    int keepWidth = 0;
    int keepHeight = 0;
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

// Receives a frame's rows as the decoder finishes them, top to bottom, a band of up to 32
// rows (one row of MCUs) at a time.
class JpegRowSink {
public:
    virtual ~JpegRowSink() = default;
    // Once, before any row: the size, the channels and the JFIF densities (no samples).
    virtual void Begin(const DecodedImage& frame) = 0;
    // Where row y goes (width x channels bytes). Rows of the current band are asked for in any
    // order; each pointer stays valid until EndBand.
    virtual std::uint8_t* Row(int y) = 0;
    // The rows before `end` are complete.
    virtual void EndBand(int end) = 0;
};

// Decodes baseline, extended sequential and progressive Huffman-coded JPEG data. Throws
// EFatalError for data that is not such a JPEG or breaks the limits; truncated or damaged
// entropy-coded data decodes as far as it goes. `progress` receives 0..80 percent.
DecodedImage DecodeJpeg(std::span<const std::uint8_t> data, const DecodeLimits& limits = {},
                        const std::function<void(int)>& progress = {});

// The same, handing the rows to `sink` instead of holding the image. A sequential file passes
// them on as it is decoded; once Begin has been called no EFatalError is thrown.
void DecodeJpegRows(std::span<const std::uint8_t> data, JpegRowSink& sink,
                    const DecodeLimits& limits = {}, const std::function<void(int)>& progress = {});

} // namespace pixelon::jpeg
