#pragma once

#include <filesystem>
#include <string_view>

namespace pixelon {

enum class PictureFileType { None, Gif, Jpeg, Raster, Png };

// The codec for a picture file, by the lower-cased path containing ".gif" or ".id", then ".jpg"
// or ".jpeg", then ".bmp", ".wbmp" or ".wbm" anywhere in it. Raster files are told apart as BMP
// or WBMP by their content; ".png" names a PNG.
PictureFileType DecidePictureFileType(std::string_view path);

// The codec for a file on disk: a PNG by its signature, whatever its name, else by its name as
// above.
PictureFileType PictureFileTypeOf(const std::filesystem::path& path);

} // namespace pixelon
