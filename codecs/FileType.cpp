#include "codecs/FileType.h"

#include <cctype>
#include <string>

#include "codecs/PngFile.h"

namespace pixelon {

PictureFileType DecidePictureFileType(std::string_view path) {
    std::string lower(path);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    auto has = [&](const char* s) { return lower.find(s) != std::string::npos; };
    if (has(".gif") || has(".id"))
        return PictureFileType::Gif;
    if (has(".jpg") || has(".jpeg"))
        return PictureFileType::Jpeg;
    if (has(".bmp") || has(".wbmp") || has(".wbm"))
        return PictureFileType::Raster;
    if (has(".png"))
        return PictureFileType::Png;
    return PictureFileType::None;
}

PictureFileType PictureFileTypeOf(const std::filesystem::path& path) {
    if (IsPngFile(path))
        return PictureFileType::Png;
    return DecidePictureFileType(path.string());
}

} // namespace pixelon
