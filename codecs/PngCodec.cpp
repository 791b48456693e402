#include "codecs/PngCodec.h"

#include <spng.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace pixelon {

namespace {

struct ContextDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextDeleter>;

// The widest row a crop decodes: 32 MB once expanded to 16-bit RGBA.
constexpr std::uint32_t MaxCroppedRowPixels = std::uint32_t(4) << 20;

PngError errorOf(int code) {
    switch (code) {
    case SPNG_ESIGNATURE:
        return PngError::NotPng;
    case SPNG_EUSER_WIDTH:
    case SPNG_EUSER_HEIGHT:
    case SPNG_ECHUNK_LIMITS:
    case SPNG_EOVERFLOW:
    case SPNG_EMEM:
        return PngError::TooLarge;
    default:
        return PngError::Damaged;
    }
}

// 16-bit samples to 8 bits as ImageMagick reduces them, so a file reads the same here as there:
// colours rounded down, alpha rounded up (it rounds the opacity, 1 - alpha, down). Only a
// sample of 0 is fully transparent.
std::uint8_t to8(std::uint16_t v) {
    return std::uint8_t(v / 257);
}
std::uint8_t alphaTo8(std::uint16_t v) {
    return std::uint8_t(255 - (65535 - v) / 257);
}

// Copies the pixels of a decoded row within the image's width into the image's row `y`: every
// pixel, or those of an interlaced pass's columns (`first`, then every `step`).
void keepRow(PngImage& image, const std::uint8_t* row, bool sixteen, int y, int first = 0,
             int step = 1) {
    const int width = image.colours.width();
    auto colours = image.colours.row(y);
    std::uint8_t* alpha = image.alpha.data() + std::size_t(y) * std::size_t(width);
    for (int x = first; x < width; x += step) {
        if (sixteen) {
            std::uint16_t s[4];
            std::memcpy(s, row + std::size_t(x) * 8, sizeof s);
            colours[std::size_t(x)] = rgb(to8(s[0]), to8(s[1]), to8(s[2]));
            alpha[x] = alphaTo8(s[3]);
        } else {
            const std::uint8_t* p = row + std::size_t(x) * 4;
            colours[std::size_t(x)] = rgb(p[0], p[1], p[2]);
            alpha[x] = p[3];
        }
    }
}

// The file with only the chunks the decoding needs: the critical ones (the header, palette, image
// data, end, and any unknown critical chunk, which the library refuses) and tRNS. The other
// ancillary chunks change nothing in the pixels this reader gives, and some are compressed
// (zTXt, iTXt, iCCP): the library would inflate each whole, so a few kilobytes of them could
// take gigabytes and minutes. Dropping them also lets a damaged one pass, as other readers let it.
// A chunk whose length runs past the end is kept with the rest of the file, for the library to
// report it damaged. Empty when nothing is dropped, the bytes then being used as they are.
std::vector<std::uint8_t> withoutAncillaryChunks(std::span<const std::uint8_t> bytes) {
    auto keptType = [](const std::uint8_t* type) {
        const bool critical = (type[0] & 0x20) == 0;
        return critical || std::memcmp(type, "tRNS", 4) == 0;
    };
    auto lengthAt = [&](std::size_t at) {
        return (std::size_t(bytes[at]) << 24) | (std::size_t(bytes[at + 1]) << 16) |
               (std::size_t(bytes[at + 2]) << 8) | std::size_t(bytes[at + 3]);
    };
    // The first pass only looks for a chunk to drop, so most files are not copied.
    bool dropsSome = false;
    for (std::size_t at = 8; at + 8 <= bytes.size() && !dropsSome;) {
        const std::size_t whole = 12 + lengthAt(at);
        if (whole > bytes.size() - at)
            break;
        dropsSome = !keptType(bytes.data() + at + 4);
        at += whole;
    }
    std::vector<std::uint8_t> kept;
    if (!dropsSome)
        return kept;
    kept.assign(bytes.begin(), bytes.begin() + 8);
    std::size_t at = 8;
    while (at + 8 <= bytes.size()) {
        const std::size_t whole = 12 + lengthAt(at);
        if (whole > bytes.size() - at)
            break;
        if (keptType(bytes.data() + at + 4))
            kept.insert(kept.end(), bytes.begin() + std::ptrdiff_t(at),
                        bytes.begin() + std::ptrdiff_t(at + whole));
        at += whole;
    }
    kept.insert(kept.end(), bytes.begin() + std::ptrdiff_t(at), bytes.end());
    return kept;
}

} // namespace

bool HasPngSignature(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= 8 && std::equal(signature, signature + 8, bytes.begin());
}

std::variant<PngImage, PngError> DecodePng(std::span<const std::uint8_t> bytes,
                                           const PngReadLimits& limits) {
    if (!HasPngSignature(bytes))
        return PngError::NotPng;
    const std::vector<std::uint8_t> needed = withoutAncillaryChunks(bytes);
    if (!needed.empty())
        bytes = needed;
    Context ctx(spng_ctx_new(0));
    if (!ctx)
        return PngError::TooLarge;
    spng_set_chunk_limits(ctx.get(), limits.maxChunkBytes, limits.maxCacheBytes);
    // The library refuses sides beyond these before it allocates anything; a crop lets larger
    // plain images through, as only their top-left rows are then decoded.
    const std::uint32_t side = limits.cropWidth > 0 && limits.cropHeight > 0
                                   ? 0x7FFFFFFF
                                   : std::uint32_t(limits.maxDimension);
    spng_set_image_limits(ctx.get(), side, side);
    if (int e = spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size()))
        return errorOf(e);
    spng_ihdr ihdr{};
    if (int e = spng_get_ihdr(ctx.get(), &ihdr))
        return errorOf(e);

    const auto kept = KeptPartOf(ihdr.width, ihdr.height, limits.maxDimension, limits.cropWidth,
                                 limits.cropHeight);
    if (!kept || (kept->cropped && ihdr.interlace_method != 0))
        return PngError::TooLarge;
    if (std::uint64_t(kept->width) * std::uint64_t(kept->height) > limits.maxTotalPixels)
        return PngError::TooLarge;
    // A crop still inflates and unfilters its rows at their full width, and the buffers hold
    // whole rows: the rows decoded are bounded as a whole image's pixels are, and each row too,
    // else a 64 KB file of a few very wide rows takes a minute and gigabytes.
    if (kept->cropped &&
        (ihdr.width > MaxCroppedRowPixels ||
         std::uint64_t(ihdr.width) * std::uint64_t(kept->height) > limits.maxTotalPixels))
        return PngError::TooLarge;

    const bool sixteen = ihdr.bit_depth == 16;
    const int format = sixteen ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
    const std::size_t rowBytes = std::size_t(ihdr.width) * (sixteen ? 8 : 4);
    PngImage image;
    image.cropped = kept->cropped;
    image.colours = Surface(int(kept->width), int(kept->height), 0);
    image.alpha.assign(std::size_t(kept->width) * std::size_t(kept->height), 255);

    if (int e = spng_decode_image(ctx.get(), nullptr, 0, format,
                                  SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE))
        return errorOf(e);
    std::vector<std::uint8_t> row(rowBytes);

    if (ihdr.interlace_method != 0) {
        // The passes' rows come one at a time, each with its pixels at their own columns; they
        // go straight into the image, with no whole image at 8 bytes a pixel beside it.
        static constexpr int firstColumn[7] = {0, 4, 0, 2, 0, 1, 0};
        static constexpr int columnStep[7] = {8, 8, 4, 4, 2, 2, 1};
        for (;;) {
            spng_row_info info{};
            if (int e = spng_get_row_info(ctx.get(), &info))
                return e == SPNG_EOI ? PngError::Damaged : errorOf(e);
            const int e = spng_decode_row(ctx.get(), row.data(), row.size());
            if (e != 0 && e != SPNG_EOI)
                return errorOf(e);
            if (info.pass < 0 || info.pass > 6 || info.row_num >= ihdr.height)
                return PngError::Damaged;
            keepRow(image, row.data(), sixteen, int(info.row_num), firstColumn[info.pass],
                    columnStep[info.pass]);
            if (e == SPNG_EOI)
                return image;
        }
    }

    for (int y = 0; y < image.colours.height(); ++y) {
        const int e = spng_decode_row(ctx.get(), row.data(), row.size());
        if (e != 0 && e != SPNG_EOI)
            return errorOf(e);
        keepRow(image, row.data(), sixteen, y);
        if (e == SPNG_EOI && y + 1 < image.colours.height())
            return PngError::Damaged;
    }
    return image;
}

namespace {

struct Entry {
    Colour colour;
    bool transparent;
};

// Rows of `bits`-bit indices packed for the file, the leftmost pixel in the high bits.
template <class IndexAt>
std::vector<std::uint8_t> packIndices(int width, int height, int bits, IndexAt indexAt) {
    const std::size_t rowBytes = (std::size_t(width) * std::size_t(bits) + 7) / 8;
    std::vector<std::uint8_t> raw(rowBytes * std::size_t(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned v = indexAt(std::size_t(y) * std::size_t(width) + std::size_t(x));
            const std::size_t bit = std::size_t(x) * std::size_t(bits);
            raw[std::size_t(y) * rowBytes + bit / 8] |=
                std::uint8_t(v << (8 - bits - int(bit % 8)));
        }
    return raw;
}

// The PNG file of packed rows: a palette image when `plte` is given, with `trns` when it has
// entries.
std::variant<std::vector<std::uint8_t>, PngError>
writePng(spng_ihdr& ihdr, std::vector<std::uint8_t>& raw, spng_plte* plte, spng_trns* trns) {
    Context ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx)
        return PngError::Encoder;
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    if (spng_set_ihdr(ctx.get(), &ihdr) != 0)
        return PngError::Encoder;
    if (plte) {
        if (spng_set_plte(ctx.get(), plte) != 0)
            return PngError::Encoder;
        if (trns->n_type3_entries > 0 && spng_set_trns(ctx.get(), trns) != 0)
            return PngError::Encoder;
    }
    if (spng_encode_image(ctx.get(), raw.data(), raw.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) !=
        0)
        return PngError::Encoder;
    std::size_t length = 0;
    int error = 0;
    void* buffer = spng_get_png_buffer(ctx.get(), &length, &error);
    if (!buffer || error != 0) {
        std::free(buffer);
        return PngError::Encoder;
    }
    std::vector<std::uint8_t> file(static_cast<std::uint8_t*>(buffer),
                                   static_cast<std::uint8_t*>(buffer) + length);
    std::free(buffer);
    return file;
}

int bitsFor(std::size_t count, int atLeast) {
    int bits = 1;
    while (bits < 8 && (std::size_t(1) << bits) < count)
        bits *= 2;
    return std::max(bits, atLeast);
}

} // namespace

std::variant<std::vector<std::uint8_t>, PngError> EncodePng(const PngPicture& picture) {
    const Surface& colours = picture.colours;
    const int width = colours.width(), height = colours.height();
    if (width <= 0 || height <= 0 ||
        (!picture.opaque.empty() &&
         picture.opaque.size() != std::size_t(width) * std::size_t(height)))
        return PngError::Encoder;
    auto opaqueAt = [&](std::size_t i) { return picture.opaque.empty() || picture.opaque[i] != 0; };
    const std::size_t count = std::size_t(width) * std::size_t(height);
    bool anyTransparent = false;
    for (std::size_t i = 0; i < count && !anyTransparent; ++i)
        anyTransparent = !opaqueAt(i);

    // The palette in order of first appearance; every transparent pixel shares one entry.
    std::vector<Entry> palette;
    std::vector<std::uint8_t> indices;
    bool usePalette = picture.paletteBits <= 8;
    if (usePalette) {
        std::unordered_map<std::uint32_t, std::uint8_t> lookup;
        indices.resize(count);
        for (std::size_t i = 0; i < count && usePalette; ++i) {
            const bool transparent = !opaqueAt(i);
            const std::uint32_t key = transparent ? 0xFF000000u : colours.pixels()[i];
            auto found = lookup.find(key);
            if (found == lookup.end()) {
                if (palette.size() == 256) {
                    usePalette = false;
                    break;
                }
                found = lookup.emplace(key, std::uint8_t(palette.size())).first;
                palette.push_back({colours.pixels()[i], transparent});
            }
            indices[i] = found->second;
        }
    }

    spng_ihdr ihdr{};
    ihdr.width = std::uint32_t(width);
    ihdr.height = std::uint32_t(height);
    std::vector<std::uint8_t> raw;
    spng_plte plte{};
    spng_trns trns{};
    if (usePalette) {
        const int bits = bitsFor(palette.size(), std::clamp(picture.paletteBits, 1, 8));
        ihdr.color_type = SPNG_COLOR_TYPE_INDEXED;
        ihdr.bit_depth = std::uint8_t(bits);
        raw = packIndices(width, height, bits, [&](std::size_t i) { return indices[i]; });
        plte.n_entries = std::uint32_t(palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i) {
            plte.entries[i].red = std::uint8_t(redOf(palette[i].colour));
            plte.entries[i].green = std::uint8_t(greenOf(palette[i].colour));
            plte.entries[i].blue = std::uint8_t(blueOf(palette[i].colour));
            if (palette[i].transparent)
                trns.n_type3_entries = std::uint32_t(i + 1);
        }
        std::fill_n(trns.type3_alpha, 256, std::uint8_t(255));
        for (std::size_t i = 0; i < palette.size(); ++i)
            if (palette[i].transparent)
                trns.type3_alpha[i] = 0;
    } else {
        const int channels = anyTransparent ? 4 : 3;
        ihdr.color_type =
            anyTransparent ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
        ihdr.bit_depth = 8;
        raw.resize(std::size_t(width) * std::size_t(channels) * std::size_t(height));
        std::uint8_t* out = raw.data();
        for (std::size_t i = 0; i < count; ++i) {
            const Colour c = colours.pixels()[i];
            *out++ = std::uint8_t(redOf(c));
            *out++ = std::uint8_t(greenOf(c));
            *out++ = std::uint8_t(blueOf(c));
            if (channels == 4)
                *out++ = opaqueAt(i) ? 255 : 0;
        }
    }

    return writePng(ihdr, raw, usePalette ? &plte : nullptr, &trns);
}

std::variant<std::vector<std::uint8_t>, PngError> EncodeIndexedPng(const PngIndexed& image) {
    const int width = image.width, height = image.height, bits = image.bits;
    if (width <= 0 || height <= 0 || (bits != 1 && bits != 2 && bits != 4 && bits != 8) ||
        image.palette.empty() || image.palette.size() > (std::size_t(1) << bits) ||
        image.indices.size() != std::size_t(width) * std::size_t(height))
        return PngError::Encoder;
    spng_ihdr ihdr{};
    ihdr.width = std::uint32_t(width);
    ihdr.height = std::uint32_t(height);
    ihdr.color_type = SPNG_COLOR_TYPE_INDEXED;
    ihdr.bit_depth = std::uint8_t(bits);
    // An index beyond the palette is written as its last entry.
    const std::uint8_t last = std::uint8_t(image.palette.size() - 1);
    std::vector<std::uint8_t> raw = packIndices(
        width, height, bits, [&](std::size_t i) { return std::min(image.indices[i], last); });
    spng_plte plte{};
    plte.n_entries = std::uint32_t(image.palette.size());
    for (std::size_t i = 0; i < image.palette.size(); ++i) {
        plte.entries[i].red = std::uint8_t(redOf(image.palette[i]));
        plte.entries[i].green = std::uint8_t(greenOf(image.palette[i]));
        plte.entries[i].blue = std::uint8_t(blueOf(image.palette[i]));
    }
    spng_trns none{};
    return writePng(ihdr, raw, &plte, &none);
}

} // namespace pixelon
