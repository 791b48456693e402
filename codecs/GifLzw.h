#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/GifFile.h"

namespace pixelon {

// Bytes past the pixels that LzwDecodeZeroed may write (and clears again).
inline constexpr std::size_t LzwSlack = 16;

// Decodes a code stream of 8-bit pixels into `out`, which is all zero and LzwSlack bytes longer
// than the pixels: strings are copied 8 or 16 bytes at a time, and what the copies wrote past
// the last pixel is cleared again. Returns the number of pixels decoded.
std::size_t LzwDecodeZeroed(std::span<const std::uint8_t> codes, std::span<std::uint8_t> out);

// Decodes the code stream of `source` keeping only its top-left width x height part, packed row
// after row at the image's depth, LSB-first, into `out` (zeroed, of that part's size). The
// image's interlace decides where each decoded pixel belongs.
std::size_t LzwDecodeCropped(const GifImage& source, int width, int height,
                             std::span<const std::uint8_t> codes, std::span<std::uint8_t> out);

} // namespace pixelon
