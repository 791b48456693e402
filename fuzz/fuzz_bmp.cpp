// fuzz-links: codecs core platform
// Reads arbitrary bytes as a BMP or WBMP file, up to the reader's own limits
// (MaxRasterDimension, MaxRasterPixels); run with -rss_limit_mb to keep the memory bounded.

#include <cstdint>

#include "codecs/Errors.h"
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
    return 0;
}
