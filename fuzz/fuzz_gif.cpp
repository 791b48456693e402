// fuzz-links: codecs core platform
// Reads arbitrary bytes as a GIF (also with the import's limits and crop), draws its images,
// and checks that writing them and reading them back gives the same pixels.

#include <cstdint>
#include <cstdlib>

#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"

using namespace pixelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (std::size_t(64) << 20))
        return 0;
    // The import's limits, with its crop of a huge image: the kept part is drawn. The pixel
    // totals are lower than the program's, so that each input takes milliseconds: the paths
    // are the same, and a slow input would only measure the machine.
    GifReadLimits import = ImportGifLimits;
    import.maxTotalPixels = import.basePixels = std::size_t(2) << 20;
    GifFile imported;
    if (ReadGifBytes(imported, {data, size}, import) && !imported.images.empty()) {
        const Surface first = RenderGifImage(imported, 0);
        if (first.width() > import.maxDimension || first.height() > import.maxDimension)
            std::abort();
    }

    // The reader's own limits but for the pixel totals, as above.
    GifReadLimits limits;
    limits.maxTotalPixels = limits.basePixels = std::size_t(1) << 20;
    GifFile gif;
    if (!ReadGifBytes(gif, {data, size}, limits))
        return 0;
    for (std::size_t i = 0; i < gif.images.size() && i < 4; ++i)
        RenderGifImage(gif, i);

    GifFile back;
    if (!ReadGifBytes(back, EncodeGifFile(gif), limits) || back.images.size() != gif.images.size())
        std::abort();
    for (std::size_t i = 0; i < gif.images.size(); ++i) {
        // One-bit images come back widened to two bits; compare what is drawn instead.
        if (gif.images[i].bitsPerPixel < 2) {
            back.globalTable = gif.globalTable;
            back.images[i].localTable = gif.images[i].localTable;
            if (RenderGifImage(back, i) != RenderGifImage(gif, i))
                std::abort();
        } else if (back.images[i].pixels != gif.images[i].pixels) {
            std::abort();
        }
    }
    return 0;
}
