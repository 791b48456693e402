#pragma once

#include <string_view>

namespace pixelon {

enum class PictureFileType { None, Gif, Jpeg, Raster };

// The codec for a picture file, by the lower-cased path containing ".gif" or ".id", then ".jpg"
// or ".jpeg", then ".bmp", ".wbmp" or ".wbm" anywhere in it. Raster files are told apart as BMP
// or WBMP by their content.
PictureFileType DecidePictureFileType(std::string_view path);

} // namespace pixelon
