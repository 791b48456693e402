// fuzz-links: animation output fonts operations codecs editing core platform
// Reads bytes as a portfolio and runs every writer over it: the picture GIF, WBMP and C source,
// each animation as GIF and C source, the Windows font and the contact sheet. What a writer
// refuses must be refused before anything is built; what it writes must read back with the
// sizes and positions it was given (a GIF's images within its screen).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "animation/AnimationExport.h"
#include "codecs/CSource.h"
#include "codecs/Errors.h"
#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"
#include "codecs/RasterFile.h"
#include "core/EString.h"
#include "fonts/FntWriter.h"
#include "fuzz/FuzzPortfolio.h"
#include "output/ContactSheet.h"

using namespace pixelon;

namespace {

// Writers are linear in the pixels: beyond these the fuzzer would measure speed, not faults.
// The refusals (sizes and offsets beyond the 16-bit fields) are checked on every portfolio read;
// what is then built and read back is kept small.
constexpr std::uint64_t MaxPixels = 1 << 18;
constexpr std::uint64_t MaxBuiltPixels = 1 << 15;

// The reader with room for everything a GIF may hold.
const GifReadLimits Everything{65535, std::size_t(1) << 32, 0, 0, std::size_t(1) << 32};

void checkGif(const GifFile& gif) {
    const std::vector<std::uint8_t> bytes = EncodeGifFile(gif);
    GifFile back;
    if (!ReadGifBytes(back, bytes, Everything) || back.images.size() != gif.images.size() ||
        back.screenWidth != gif.screenWidth || back.screenHeight != gif.screenHeight)
        __builtin_trap();
    for (std::size_t i = 0; i < gif.images.size(); ++i) {
        const GifImage &a = gif.images[i], &b = back.images[i];
        if (a.left != b.left || a.top != b.top || a.width != b.width || a.height != b.height)
            __builtin_trap();
        if (b.left + b.width > back.screenWidth || b.top + b.height > back.screenHeight)
            __builtin_trap();
    }
}

void animations(const CPortfolio& folio) {
    for (std::size_t n = 0; n < folio.m_animations.size() && n < 8; ++n) {
        const Animation& animation = folio.m_animations[n];
        if (animation.frames.size() > 64)
            continue;
        if (!missingPicture(animation, folio))
            animationSourceText(animation, folio, "fuzz.c", 0);
        const auto refusal = animationGifRefusal(animation, folio);
        if (refusal) {
            if (!refusal->starts_with("Cannot export animation "))
                __builtin_trap();
            continue;
        }
        std::uint64_t pixels = 0;
        for (const AnimationFrame& f : animation.frames) {
            const CPicture& p = *folio.FindPicture(f.id);
            pixels += std::uint64_t(p.m_nWidth) * std::uint64_t(p.m_nHeight);
        }
        if (pixels > MaxBuiltPixels)
            continue;
        const GifFile gif = AnimationGif(animation, folio);
        if (gif.images.size() != animation.frames.size() || gif.images.empty())
            __builtin_trap();
        for (std::size_t i = 0; i < gif.images.size(); ++i) {
            const AnimationFrame& f = animation.frames[i];
            const CPicture& p = *folio.FindPicture(f.id);
            const GifImage& image = gif.images[i];
            if (image.left != f.xoffset || image.top != f.yoffset || image.width != p.m_nWidth ||
                image.height != p.m_nHeight || image.pixels.size() != image.PixelCount())
                __builtin_trap();
        }
        checkGif(gif);
    }
}

void pictures(const CPortfolio& folio) {
    for (int i = 0; i < folio.Count() && i < 8; ++i) {
        const CPicture& p = folio.Picture(i);
        if (std::uint64_t(p.m_nWidth) * std::uint64_t(p.m_nHeight) > MaxBuiltPixels)
            continue;
        const GifFile gif = PictureGif(p, 128, 110);
        if (gif.images.size() != 1 || gif.images[0].width != std::clamp(p.m_nWidth, 0, 128) ||
            gif.images[0].height != std::clamp(p.m_nHeight, 0, 110))
            __builtin_trap();
        checkGif(gif);
        std::string source;
        WritePictureSource(source, p, "fuzz");
        const std::vector<std::uint8_t> wbmp = EncodePictureWbmp(p);
        if (p.m_nWidth > 0 && p.m_nHeight > 0 && p.m_nWidth <= MaxRasterDimension &&
            p.m_nHeight <= MaxRasterDimension) {
            const Surface back = LoadRasterBitmap(wbmp);
            if (back.width() != p.m_nWidth || back.height() != p.m_nHeight)
                __builtin_trap();
        }
    }
}

void font(const CPortfolio& folio, std::uint8_t choice) {
    std::vector<const CPicture*> source;
    for (int i = 0; i < folio.Count() && i < 224; ++i)
        source.push_back(&folio.Picture(i));
    if (source.empty())
        return;
    FntOptions options;
    options.faceName = folio.m_strName;
    options.fixedWidth = choice & 1;
    options.preserveCodes = choice & 2;
    options.heightLimit = choice >> 2;
    // The file's size, bounded before it is built.
    int height = 0;
    std::uint64_t size = 0;
    for (const CPicture* p : source)
        height = std::max(height, p->m_nHeight);
    if (options.heightLimit > 0)
        height = std::min(height, options.heightLimit);
    for (const CPicture* p : source)
        size += (std::uint64_t(std::max(p->m_nWidth, 0)) + 7) / 8 * std::uint64_t(height);
    if (FntRefusal(source, options, folio.m_nAscent)) {
        try {
            BuildFnt(source, options, folio.m_nAscent);
        } catch (const EString&) {
            return;
        }
        __builtin_trap(); // a refused font must not be built
    }
    if (size > (std::uint64_t(1) << 20))
        return;
    const std::vector<std::uint8_t> f = BuildFnt(source, options, folio.m_nAscent);
    const auto u16 = [&](std::size_t at) { return unsigned(f[at] | f[at + 1] << 8); };
    const std::uint32_t fileSize = f[2] | f[3] << 8 | f[4] << 16 | std::uint32_t(f[5]) << 24;
    if (fileSize != f.size() || int(u16(88)) != height || int(u16(74)) != folio.m_nAscent)
        __builtin_trap();
}

void contactSheet(const CPortfolio& folio, std::uint64_t pixels) {
    if (folio.Count() == 0 || folio.Count() > 100 || pixels > MaxBuiltPixels ||
        SheetGeometry::For(folio).Height() > MaxSheetSide)
        return;
    const ContactSheet sheet = RenderContactSheet(folio);
    checkGif(ContactSheetGif(sheet));
    const Surface bmp = LoadRasterBitmap(ContactSheetBmp(sheet));
    if (bmp.width() != sheet.bitmap.width() || bmp.height() != sheet.bitmap.height())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > 64 * 1024)
        return 0;
    fuzz::FuzzPortfolio input(fuzz::bytesAsText(data + 1, size - 1));
    const CPortfolio& folio = input.folio;
    std::uint64_t pixels = 0;
    for (const auto& p : folio.m_pictures)
        pixels += std::uint64_t(p->m_nWidth) * std::uint64_t(p->m_nHeight);
    if (pixels > MaxPixels)
        return 0;
    try {
        animations(folio);
        pictures(folio);
        font(folio, data[0]);
        contactSheet(folio, pixels);
    } catch (const EFatalError&) {
        __builtin_trap(); // our own files must read back
    }
    return 0;
}
