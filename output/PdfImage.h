#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Surface.h"

namespace pixelon {

class Deflater;

// A bitmap as a PDF image: the fewest bits a pixel its colours allow (a palette of up to 16
// colours at 1, 2 or 4 bits, greys at 8 bits, up to 256 colours as a palette, otherwise RGB),
// lossless, rows predicted as PNG does when that helps deflate.
struct PdfImage {
    // The image dictionary's entries but the length, in the long form of an image object.
    std::string entries;
    std::vector<std::uint8_t> data;
};

// How much raw data an image may have to go inline in the page's content (hexadecimal there,
// compressed with the content): small pictures then cost no object of their own. The first
// for a palette, the second for grey or RGB samples.
inline constexpr std::size_t InlineImageLimit = 4096;
inline constexpr std::size_t InlineColourLimit = 1024;

// The image object of `bitmap`, compressed with `deflater`.
PdfImage EncodeImageObject(const Surface& bitmap, Deflater& deflater);
// `bitmap` as an inline image, "BI ... ID ... EI"; only for bitmaps whose raw data is within
// the limit of its kind, else empty.
std::string EncodeInlineImage(const Surface& bitmap);

// `bitmap` inline when it may be, else as an image object; its colours counted once.
struct EncodedBitmap {
    std::string inlineImage; // empty when the bitmap is an object
    PdfImage object;
};
EncodedBitmap EncodeBitmap(const Surface& bitmap, Deflater& deflater);

// A 1-bit mask as a stencil image object: set bits (most significant first, rows padded to
// whole bytes) are painted in the current colour.
PdfImage EncodeMaskObject(int width, int height, const std::vector<std::uint8_t>& bits,
                          Deflater& deflater);

} // namespace pixelon
