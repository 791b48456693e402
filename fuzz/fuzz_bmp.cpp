// fuzz-links: codecs core platform
// Reads arbitrary bytes as a BMP or WBMP file. Files claiming more than a megapixel are left
// out so the fuzzer spends its time on parsing, not on filling large bitmaps.

#include <cstdint>

#include "codecs/Errors.h"
#include "codecs/RasterFile.h"

using namespace pixelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 65536)
        return 0;
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        RasterFile probe(bytes);
        probe.ReadHeader();
        if ((long long)probe.Width() * probe.Height() > (1 << 20))
            return 0;
        const Surface bitmap = LoadRasterBitmap(bytes);
        if (bitmap.width() != probe.Width() || bitmap.height() != probe.Height())
            __builtin_trap();
    } catch (const EFatalError&) {
    }
    return 0;
}
