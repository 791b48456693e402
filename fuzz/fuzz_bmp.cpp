// fuzz-links: codecs core platform
// Reads arbitrary bytes as a BMP or WBMP file, up to the reader's own limits
// (MaxRasterDimension, MaxRasterPixels), once as the reader alone and once as the import does,
// with its crop to the top-left 1280 x 1024 of a larger file: the kept part is what is
// allocated, and a header whose rows are not in the file is refused.

#include <algorithm>
#include <cstdint>

#include "codecs/Errors.h"
#include "codecs/ImportLimits.h"
#include "codecs/RasterFile.h"

using namespace pixelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (std::size_t(64) << 20))
        return 0;
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        RasterFile probe(bytes);
        probe.ReadHeader();
        const Surface bitmap = LoadRasterBitmap(bytes);
        if (bitmap.width() != probe.Width() || bitmap.height() != probe.Height())
            __builtin_trap();
    } catch (const EFatalError&) {
    }
    try {
        RasterFile probe(bytes);
        probe.AllowCrop(ImportCropWidth, ImportCropHeight);
        probe.ReadHeader();
        const Surface bitmap = LoadRasterBitmap(bytes, ImportCropWidth, ImportCropHeight);
        const bool whole =
            probe.Width() <= MaxRasterDimension && probe.Height() <= MaxRasterDimension;
        const int w = whole ? probe.Width() : std::min(probe.Width(), ImportCropWidth);
        const int h = whole ? probe.Height() : std::min(probe.Height(), ImportCropHeight);
        if (bitmap.width() != w || bitmap.height() != h)
            __builtin_trap();
    } catch (const EFatalError&) {
    }
    return 0;
}
