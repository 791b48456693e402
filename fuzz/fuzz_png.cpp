// fuzz-links: codecs core platform
// Reads arbitrary bytes as a PNG and checks that writing what was decoded and reading it back
// gives the same pixels and the same fully transparent ones.

#include <cstdint>
#include <cstdlib>

#include "codecs/PngCodec.h"

using namespace pixelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Small limits keep each run quick; the checks before allocation are the same.
    PngReadLimits limits;
    limits.maxDimension = 2048;
    limits.maxTotalPixels = std::size_t(1) << 20;
    // Half the inputs take the import's path for huge images: their top-left part.
    if (size % 2) {
        limits.cropWidth = 64;
        limits.cropHeight = 48;
    }
    auto decoded = DecodePng({data, size}, limits);
    auto* image = std::get_if<PngImage>(&decoded);
    if (!image)
        return 0;
    PngPicture picture;
    picture.colours = image->colours;
    picture.opaque.resize(image->alpha.size());
    for (std::size_t i = 0; i < image->alpha.size(); ++i)
        picture.opaque[i] = image->alpha[i] != 0;
    picture.paletteBits = data[size / 2] % 2 ? 1 : 16;
    auto encoded = EncodePng(picture);
    auto* bytes = std::get_if<std::vector<std::uint8_t>>(&encoded);
    if (!bytes)
        std::abort();
    auto again = DecodePng(*bytes, limits);
    auto* back = std::get_if<PngImage>(&again);
    if (!back || back->colours.width() != image->colours.width() ||
        back->colours.height() != image->colours.height())
        std::abort();
    for (std::size_t i = 0; i < picture.opaque.size(); ++i) {
        if ((back->alpha[i] == 0) != (picture.opaque[i] == 0))
            std::abort();
        if (picture.opaque[i] && back->colours.pixels()[i] != image->colours.pixels()[i])
            std::abort();
    }
    return 0;
}
