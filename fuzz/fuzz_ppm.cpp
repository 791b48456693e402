// fuzz-links: core platform
// The command line's PPM reader on arbitrary bytes: it decodes or throws PpmError, never
// crashes. The reader's own limits (PpmMaxDimension, PpmMaxPixels) bound every allocation.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The reader is part of the pixelon program, not of a library, so it is compiled in here.
#include "cli/Ppm.cpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A binary PPM of the largest size the reader accepts.
    if (size > std::size_t(pixelon::cli::PpmMaxPixels) * 3 + 64)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const pixelon::Surface image = pixelon::cli::decodePpm(bytes);
        if (image.width() > pixelon::cli::PpmMaxDimension ||
            image.height() > pixelon::cli::PpmMaxDimension)
            __builtin_trap();
        // Encoding what was read gives a file that reads back to the same image.
        const pixelon::Surface again = pixelon::cli::decodePpm(pixelon::cli::encodePpm(image));
        if (again.width() != image.width() || again.height() != image.height() ||
            !std::ranges::equal(again.pixels(), image.pixels()))
            __builtin_trap();
    } catch (const pixelon::cli::PpmError&) {
    }
    return 0;
}
