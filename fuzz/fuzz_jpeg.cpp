// fuzz-links: codecs core platform
// The JPEG decoder on arbitrary bytes: it must fail with EFatalError or decode, never crash.

#include <cstddef>
#include <cstdint>
#include <span>

#include "codecs/Errors.h"
#include "codecs/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Small frames and few scans keep each run fast, so the fuzzer finds faults, not slowness.
    if (size > (1u << 20))
        return 0;
    pixelon::jpeg::DecodeLimits limits;
    limits.maxDimension = 4096;
    limits.maxPixels = 1u << 20;
    limits.maxScans = 64;
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
    return 0;
}
