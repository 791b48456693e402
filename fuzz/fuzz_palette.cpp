// fuzz-links: editing core platform
// The user palette (.p) and paint-program palette (.pal) readers on arbitrary text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "editing/PaletteFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::array<pixelon::Colour, 16> user;
    user.fill(0x00FFFFFF);
    // A user palette keeps every 32-bit value as the file states it.
    const int read = pixelon::CPaletteFile::Parse(text, user);
    if (read < 0 || read > 16)
        __builtin_trap();

    std::array<pixelon::Colour, 256> psp{};
    pixelon::parsePspPalette(text, psp);
    for (pixelon::Colour c : psp)
        if (c > 0x00FFFFFF)
            __builtin_trap();
    return 0;
}
