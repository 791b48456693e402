// fuzz-links: fonts core platform
// The BDF parser and the glyph-to-picture step on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Picture.h"
#include "fonts/Bdf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    pixelon::CBDF font;
    int flags = 0;
    const int count = font.Parse(text, flags);
    if (count != font.GlyphCount() || flags < 0 || flags > 31)
        __builtin_trap();
    for (int i = 0; i < count; ++i) {
        const pixelon::BdfGlyph* glyph = font.Glyph(i);
        if (!glyph)
            continue;
        // Every byte of a bitmap came from two digits of the text.
        if (glyph->bitmap.size() > size || glyph->code < 0 || glyph->code > 0xFFFF)
            __builtin_trap();
        for (bool global : {false, true}) {
            pixelon::CPicture picture;
            if (!font.GlyphToPicture(i, picture, global))
                __builtin_trap();
            if (picture.m_nWidth > pixelon::CPicture::MaxWidth ||
                picture.m_nHeight > pixelon::CPicture::MaxHeight)
                __builtin_trap();
        }
    }
    return 0;
}
