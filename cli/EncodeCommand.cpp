// pixelon encode: an RGB image (PPM) as a JPEG with our encoder or as an 8-bit colour-cube GIF.

#include <cstdio>
#include <limits>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Ppm.h"
#include "codecs/GifWriter.h"
#include "codecs/JpegCodec.h"
#include "core/Colours.h"

namespace pixelon::cli {
namespace {

constexpr const char* help =
    R"(Usage: pixelon encode IN.ppm -o OUT.jpg|OUT.gif [--quality high|medium|low]

Encodes a PPM image (binary P6 or plain P3). An output name ending in ".jpg",
".jpeg" or ".jfif" gives a baseline JFIF file whose Huffman tables are fitted
to the image; one ending in ".gif" gives an 8-bit GIF over the 256-colour cube.
The output replaces an existing file only once it is written completely.

  -o OUT       the file to write
  --quality Q  JPEG quality: high (the default, the standard tables divided by
               16), medium (the standard tables), low (the standard tables times
               1.25)
)";

std::size_t qualityVariant(const std::string& quality) {
    if (quality == "high")
        return 0;
    if (quality == "medium")
        return 1;
    if (quality == "low")
        return 2;
    throw UsageError("--quality must be high, medium or low, not '" + quality + "'");
}

int writeJpeg(const Surface& image, const std::string& path, std::size_t variant) {
    CImageCodecManager manager;
    manager.RegisterCodec<CImageJpegCodecProcessor>();
    manager.ChooseWriter(0, variant);
    manager.Inputs().push_back(std::make_unique<CImageObject>(ImageFromSurface(image)));
    if (manager.Run(path) != ImageRunOk) {
        std::string cause = manager.Status() == ImageStatusFileError
                                ? fileErrorText(manager.FileCause())
                                : std::string("the image cannot be encoded");
        throw UsageError(path + ": " + cause);
    }
    return 0;
}

int writeGif(const Surface& image, const std::string& path) {
    constexpr int limit = std::numeric_limits<std::uint16_t>::max();
    if (image.width() > limit || image.height() > limit)
        throw UsageError("a GIF holds at most 65535 x 65535 pixels");
    GifFile gif;
    gif.screenWidth = std::uint16_t(image.width());
    gif.screenHeight = std::uint16_t(image.height());
    gif.flags = 0xF7; // a global table of 256 colours, 8 bits of colour resolution
    gif.globalTable = CubeColourTable();
    GifImage frame;
    frame.width = gif.screenWidth;
    frame.height = gif.screenHeight;
    frame.bitsPerPixel = 8;
    frame.pixels.reserve(frame.PixelCount());
    for (Colour c : image.pixels())
        frame.pixels.push_back(std::uint8_t(cubeIndex(c)));
    gif.images.push_back(std::move(frame));
    int error = 0;
    if (!WriteGifFile(gif, path, &error))
        throw UsageError(path + ": " +
                         (error ? fileErrorTextFromErrno(error) : "cannot be written"));
    return 0;
}

bool endsWith(std::string name, std::initializer_list<const char*> suffixes) {
    for (char& c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char* s : suffixes)
        if (name.ends_with(s))
            return true;
    return false;
}

} // namespace

int runEncode(std::span<const std::string> args) {
    Args parsed(args, {"-o", "--quality"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one PPM file (see --help)");
    const std::string out = parsed.required("-o");
    preferHeapReuse();
    const std::optional<std::string> quality = parsed.value("--quality");
    const bool jpeg = endsWith(out, {".jpg", ".jpeg", ".jfif"});
    const bool gif = endsWith(out, {".gif"});
    if (!jpeg && !gif)
        throw UsageError(out + ": the output name must end in .jpg, .jpeg, .jfif or .gif");
    if (gif && quality)
        throw UsageError("--quality applies to JPEG output only");
    const std::size_t variant = quality ? qualityVariant(*quality) : 0;

    Surface image;
    try {
        image = readPpm(parsed.positional()[0]);
    } catch (const PpmError& e) {
        throw UsageError(e.what()); // the message names the file
    }
    if (image.empty())
        throw UsageError(parsed.positional()[0] + ": the image is empty");
    return jpeg ? writeJpeg(image, out, variant) : writeGif(image, out);
}

} // namespace pixelon::cli
