#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

#include "codecs/PngCodec.h"

namespace pixelon {

class CPicture;

// The picture at its own depth, as it is drawn: 1- and 2-bit pictures as palette images of that
// many bits over their grey levels, 8-bit pictures as 8-bit palette images (RGB should they hold
// more than 256 colours), 16-bit pictures as RGB. The transparent pixels of an Icon are written
// transparent.
PngPicture PicturePng(const CPicture& picture);

// Writes the picture as a PNG through core/AtomicFile; false on failure with `error` set to the
// errno (0 when the image could not be encoded).
bool WritePicturePng(const CPicture& picture, const std::filesystem::path& path,
                     int* error = nullptr);
bool WritePngFile(const PngPicture& picture, const std::filesystem::path& path,
                  int* error = nullptr);

// The largest PNG file read.
inline constexpr std::uintmax_t MaxPngFileSize = std::uintmax_t(256) << 20;

// Reads and decodes a PNG file; a file that cannot be read is PngError::Damaged with `error`
// set to its errno, one beyond MaxPngFileSize PngError::TooLarge.
std::variant<PngImage, PngError> ReadPngFile(const std::filesystem::path& path,
                                             const PngReadLimits& limits = {},
                                             int* error = nullptr);

// True when the file starts with the PNG signature.
bool IsPngFile(const std::filesystem::path& path);

// The text shown for a PNG that cannot be imported.
std::string PngErrorText(PngError error);

} // namespace pixelon
