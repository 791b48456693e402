#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "codecs/ImportLimits.h"
#include "platform/Surface.h"

namespace pixelon {

// Why a PNG could not be decoded or encoded.
enum class PngError {
    NotPng,      // the bytes do not start with the PNG signature
    Damaged,     // a broken chunk, a bad checksum, a corrupt or short image stream
    TooLarge,    // beyond the reader's limits (sides, pixels, chunk sizes)
    Unsupported, // a valid file this reader does not take
    Encoder,     // the encoder refused the image
};

// What the reader accepts. Images with a side beyond maxDimension are refused, unless a crop
// size is given: a plain (non-interlaced) image then gives its top-left part of that size, and
// only that part's rows are decoded. Chunks longer than maxChunkBytes are refused, and so are
// ancillary chunks beyond maxCacheBytes all together: a small file cannot make the reader
// allocate more than the kept pixels need.
struct PngReadLimits {
    int maxDimension = 16384;
    std::size_t maxTotalPixels = std::size_t(64) << 20; // a 256 MB bitmap once drawn
    int cropWidth = 0;
    int cropHeight = 0;
    std::size_t maxChunkBytes = std::size_t(64) << 20;
    std::size_t maxCacheBytes = std::size_t(8) << 20;
};

// The reader's limits for importing pictures: huge images give their top-left part.
inline constexpr PngReadLimits ImportPngLimits{16384, std::size_t(64) << 20, ImportCropWidth,
                                               ImportCropHeight};

// A decoded PNG: colours at 8 bits a channel (16-bit samples reduced as ImageMagick does), and one
// alpha byte a pixel (255 where the file has no transparency).
struct PngImage {
    Surface colours;
    std::vector<std::uint8_t> alpha;
    bool cropped = false;

    bool transparentAt(int x, int y) const {
        return alpha[std::size_t(y) * std::size_t(colours.width()) + std::size_t(x)] == 0;
    }
};

// True when the bytes start with the 8-byte PNG signature.
bool HasPngSignature(std::span<const std::uint8_t> bytes);

// Decodes any PNG colour type at 1 to 16 bits a sample, interlaced or not; tRNS transparency
// is applied, gamma and colour profiles are not.
std::variant<PngImage, PngError> DecodePng(std::span<const std::uint8_t> bytes,
                                           const PngReadLimits& limits = {});

// What the encoder writes: each pixel's colour and whether it is fully transparent.
struct PngPicture {
    Surface colours;
    std::vector<std::uint8_t> opaque; // empty: every pixel opaque; else 1 byte a pixel
    // 1, 2, 4 or 8: a palette image of at least this many bits a pixel when the colours fit
    // in 256 entries; 16 (or too many colours): 8-bit RGB, RGBA with transparency.
    int paletteBits = 8;
};

// The PNG file's bytes. A palette image lists the colours in the order they first appear,
// with one fully transparent entry (tRNS) when some pixel is transparent.
std::variant<std::vector<std::uint8_t>, PngError> EncodePng(const PngPicture& picture);

// A palette image given as its indices, one byte a pixel, row by row: large images whose
// colours are already indexed are written without a copy of their pixels as colours.
struct PngIndexed {
    int width = 0;
    int height = 0;
    std::span<const std::uint8_t> indices;
    std::span<const Colour> palette; // at most 2^bits entries
    int bits = 8;                    // 1, 2, 4 or 8
};

// The PNG file's bytes, the palette in the order given; an index beyond it shows its last entry.
std::variant<std::vector<std::uint8_t>, PngError> EncodeIndexedPng(const PngIndexed& image);

} // namespace pixelon
