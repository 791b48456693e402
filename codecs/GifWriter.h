#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "codecs/GifFile.h"

namespace pixelon {

class CPicture;
class CPortfolio;
struct Animation;

// The GIF file as bytes: header, global table, each image (LZW data in sub-blocks of at most
// 254 bytes) and the trailer. Local tables and extensions are never written.
std::vector<std::uint8_t> EncodeGifFile(const GifFile& gif);

// Writes the file through a temporary file, so a failed write keeps the previous one. False when
// the file cannot be created or written; `error` then holds the errno.
bool WriteGifFile(const GifFile& gif, const std::filesystem::path& path, int* error = nullptr);

// GIF variable-length LZW over pixels of `minCodeSize` (2 to 8) bits packed LSB-first. The unused
// bits of a partly filled last byte are coded as further pixels.
std::vector<std::uint8_t> LzwEncode(int minCodeSize, std::span<const std::uint8_t> pixels);

// The picture as a GIF of at most maxWidth x maxHeight from its top-left corner: an 8-bit
// colour-cube GIF for colour pictures, a 2-bit grey one otherwise. Sets CurrentMap to the map
// of the picture's depth (DirectMap or GreyMap).
GifFile PictureGif(const CPicture& picture, int maxWidth, int maxHeight);
bool WritePictureGif(const CPicture& picture, const std::filesystem::path& path, int maxWidth,
                     int maxHeight, int* error = nullptr);

// Every frame of an animation as one image at its offset, over the colour cube. Frames whose
// picture is missing from the portfolio are left out. Sets CurrentMap to CubeMap.
GifFile AnimationGif(const Animation& animation, const CPortfolio& portfolio);
bool WriteAnimationGif(const Animation& animation, const CPortfolio& portfolio,
                       const std::filesystem::path& path, int* error = nullptr);

// The colour-cube table written into every 8-bit GIF.
GifColourTable CubeColourTable();

} // namespace pixelon
