// pixelon decode: the bitmap a picture file decodes to, as PPM, or the images of a GIF.

#include <cstdio>
#include <filesystem>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Ppm.h"
#include "codecs/Errors.h"
#include "codecs/FileType.h"
#include "codecs/GifReader.h"
#include "operations/PictureImport.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon decode FILE -o OUT.ppm [--frame K]
       pixelon decode --list FILE

Decodes a GIF, JPEG, PNG, BMP or WBMP file into the bitmap an import takes its
picture from and writes it as binary PPM (P6). The type is chosen as the import
chooses it: a PNG by its signature, the others by the file name (".gif" or
".id", ".jpg" or ".jpeg", ".bmp", ".wbmp" or ".wbm" anywhere in the name); BMP
and WBMP are told apart by content.

  -o OUT       the PPM file to write
  --frame K    for a GIF, the image to draw (0 = the first); each image is drawn
               on its own at its own size, pixels without data in red
  --list       for a GIF, print one line per image: index, left, top, width,
               height, bits per pixel, and "interlaced" or "plain"
)";

PictureFileType typeOf(const std::string& path) {
    const PictureFileType type = PictureFileTypeOf(path);
    if (type == PictureFileType::None)
        throw UsageError(path + ": not a GIF, JPEG, PNG, BMP or WBMP file");
    return type;
}

GifFile readGif(const std::string& path) {
    GifFile gif;
    if (!ReadGifFile(gif, path)) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            throw UsageError(path + ": cannot be opened");
        throw UsageError(path + ": not a GIF file (it does not start with GIF87a or GIF89a)");
    }
    return gif;
}

} // namespace

int runDecode(std::span<const std::string> args) {
    Args parsed(args, {"-o", "--frame"}, {"--list"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one picture file (see --help)");
    const std::string& path = parsed.positional()[0];
    preferHeapReuse();
    const PictureFileType type = typeOf(path);

    if (parsed.flag("--list")) {
        if (type != PictureFileType::Gif)
            throw UsageError("--list needs a GIF file");
        const GifFile gif = readGif(path);
        for (std::size_t i = 0; i < gif.images.size(); ++i) {
            const GifImage& image = gif.images[i];
            std::printf("%zu %d %d %d %d %d %s\n", i, image.left, image.top, image.width,
                        image.height, image.bitsPerPixel,
                        image.Interlaced() ? "interlaced" : "plain");
        }
        return 0;
    }

    const std::string out = parsed.required("-o");
    const int frame = parsed.integer("--frame", 0);
    Surface bitmap;
    if (type == PictureFileType::Gif) {
        const GifFile gif = readGif(path);
        if (frame < 0 || std::size_t(frame) >= gif.images.size())
            throw UsageError(path + ": has " + std::to_string(gif.images.size()) +
                             " images, no image " + std::to_string(frame));
        bitmap = RenderGifImage(gif, std::size_t(frame));
    } else {
        if (parsed.value("--frame") && frame != 0)
            throw UsageError("--frame needs a GIF file");
        try {
            bitmap = DecodePictureBitmap(path, type);
        } catch (const EFatalError& e) {
            throw UsageError(path + ": " + e.what());
        }
    }
    if (bitmap.empty())
        throw UsageError(path + ": the image is empty (" + std::to_string(bitmap.width()) + " x " +
                         std::to_string(bitmap.height()) + ")");
    writePpm(out, bitmap);
    return 0;
}

} // namespace pixelon::cli
