#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "codecs/GifFile.h"
#include "codecs/ImportLimits.h"
#include "platform/Surface.h"

namespace pixelon {

// What a reader accepts before it stops: images wider or higher than maxDimension end the file,
// and so does an image that would take the file's pixels beyond maxTotalPixels.
struct GifReadLimits {
    int maxDimension = 16384;
    std::size_t maxTotalPixels = std::size_t(64) << 20; // a 256 MB bitmap once drawn
    // When set, an image beyond maxDimension is not refused but cut to its top-left part of
    // this size (a plain, non-interlaced image); only that part is kept while decoding.
    int cropWidth = 0;
    int cropHeight = 0;
    // A file's images may hold this many pixels plus PixelsPerFileByte for every byte of the
    // file. A code stream cannot stand for more (a code of 9 to 12 bits stands for at most 4096
    // pixels), so only a file cut short, or one that announces images its data cannot fill,
    // meets this bound, and it then costs no more than its size warrants.
    std::size_t basePixels = std::size_t(4) << 20;
    static constexpr std::size_t PixelsPerFileByte = 4096;
};

// The reader's limits for importing pictures: huge images give their top-left part.
inline constexpr GifReadLimits ImportGifLimits{16384, std::size_t(64) << 20, ImportCropWidth,
                                               ImportCropHeight};

// Reads a GIF file into `gif` (its images are replaced). False when the file cannot be opened
// or does not start with "GIF87a" or "GIF89a"; a file that ends early keeps what was read.
bool ReadGifFile(GifFile& gif, const std::filesystem::path& path, const GifReadLimits& limits = {});
bool ReadGifBytes(GifFile& gif, std::span<const std::uint8_t> bytes,
                  const GifReadLimits& limits = {});

// Decodes a GIF LZW code stream into `pixels`, each pixel taking `minCodeSize` bits, LSB-first.
// Returns the number of bytes written, a partly filled last byte counting as one. Output beyond
// the buffer is dropped; a corrupt stream ends the decoding.
std::size_t LzwDecode(int minCodeSize, std::span<const std::uint8_t> codes,
                      std::span<std::uint8_t> pixels);

// The image drawn on its own: a bitmap of its size filled red, each pixel in the colour of its
// index in the local table, else the global one (black when the index has no colour).
Surface RenderGifImage(const GifFile& gif, std::size_t index);

} // namespace pixelon
