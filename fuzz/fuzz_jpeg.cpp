// fuzz-links: codecs core platform
// The JPEG decoder on arbitrary bytes: it must fail with EFatalError or decode, never crash.

#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/Errors.h"
#include "codecs/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The decoder's own limits, as the program uses them.
    if (size > (std::size_t(64) << 20))
        return 0;
    const pixelon::jpeg::DecodeLimits limits;
    try {
        pixelon::jpeg::DecodedImage image =
            pixelon::jpeg::DecodeJpeg(std::span<const std::uint8_t>(data, size), limits);
        // Touch the output so that a wrong size shows up under the address sanitiser.
        volatile std::uint8_t sink = 0;
        if (!image.samples.empty())
            sink = image.samples.back();
        (void)sink;
    } catch (const pixelon::EFatalError&) {
    }
    // The import's way: only a top-left part is decoded, its size taken from the input.
    pixelon::jpeg::DecodeLimits keep = limits;
    keep.keepWidth = 1 + int(size % 61);
    keep.keepHeight = 1 + int(size / 61 % 47);
    try {
        const pixelon::jpeg::DecodedImage part =
            pixelon::jpeg::DecodeJpeg(std::span<const std::uint8_t>(data, size), keep);
        if (part.width > keep.keepWidth || part.height > keep.keepHeight ||
            part.samples.size() !=
                std::size_t(part.width) * std::size_t(part.height) * std::size_t(part.channels))
            __builtin_trap();
    } catch (const pixelon::EFatalError&) {
    }
    return 0;
}
