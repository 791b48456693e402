#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "codecs/ImageObject.h"

namespace pixelon::jpeg {

struct EncodeOptions {
    // Scales the standard quantisation tables by parameter / 256 (16 is "High quality").
    std::uint16_t qualityParameter = 16;
    // JFIF densities in dots per millimetre, written as dots per centimetre.
    double xDensity = 100.0;
    double yDensity = 100.0;
    // MCUs between restart markers; 0 writes none.
    int restartInterval = 0;
};

using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// Writes the image as a baseline JFIF file with Huffman tables fitted to its content: one
// component for a luminance image, else Y (2 x 2) with Cb and Cr (1 x 1). The bytes reach
// `sink` in pieces of at most 4096. `progress` receives 0..100 percent.
void EncodeJpeg(const CImageObject& image, const EncodeOptions& options, const ByteSink& sink,
                const std::function<void(int)>& progress = {});

std::vector<std::uint8_t> EncodeJpegToMemory(const CImageObject& image,
                                             const EncodeOptions& options = {});

// A standard table scaled as the encoder does: floor(q * parameter / 256), kept in 1..255.
std::array<std::uint16_t, 64> ScaledQuantTable(std::span<const std::uint16_t, 64> table,
                                               std::uint16_t parameter);

} // namespace pixelon::jpeg
