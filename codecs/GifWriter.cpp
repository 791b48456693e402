#include "codecs/GifWriter.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "codecs/FileBytes.h"
#include "core/Animation.h"
#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"

namespace pixelon {

namespace {

constexpr int SubBlockSize = 254;

// The string table of the encoder: (prefix code, pixel) -> code, by open addressing. The
// table holds at most 4095 codes, so 8192 slots keep the probes short.
class StringTable {
public:
    static constexpr int Slots = 8192;

    void Clear() { std::fill(std::begin(m_keys), std::end(m_keys), Empty); }

    int Find(int prefix, int pixel) const {
        const std::uint32_t key = keyOf(prefix, pixel);
        for (std::uint32_t slot = hash(key);; slot = (slot + 1) & (Slots - 1)) {
            if (m_keys[slot] == key)
                return m_codes[slot];
            if (m_keys[slot] == Empty)
                return -1;
        }
    }
    void Add(int prefix, int pixel, int code) {
        const std::uint32_t key = keyOf(prefix, pixel);
        std::uint32_t slot = hash(key);
        while (m_keys[slot] != Empty)
            slot = (slot + 1) & (Slots - 1);
        m_keys[slot] = key;
        m_codes[slot] = std::uint16_t(code);
    }

private:
    static constexpr std::uint32_t Empty = 0xFFFFFFFF;
    static std::uint32_t keyOf(int prefix, int pixel) {
        return std::uint32_t(prefix) << 8 | std::uint32_t(pixel);
    }
    static std::uint32_t hash(std::uint32_t key) { return (key * 2654435761u) >> 19 & (Slots - 1); }

    std::uint32_t m_keys[Slots];
    std::uint16_t m_codes[Slots];
};

void put16(std::vector<std::uint8_t>& out, int v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

int tableSizeBits(int count) {
    int bits = 0;
    while (bits < 7 && (2 << bits) < count)
        ++bits;
    return bits;
}

// The colour-cube index of an RGB565 value: the top 3, 3 and 2 bits of red, green and blue.
std::uint8_t cubeIndexOf565(std::uint16_t v) {
    const int r5 = v >> 11 & 0x1F, g6 = v >> 5 & 0x3F, b5 = v & 0x1F;
    return std::uint8_t((r5 >> 2) << 5 | (g6 >> 3) << 2 | (b5 >> 3));
}

GifFile cubeGif(int width, int height) {
    GifFile gif;
    gif.screenWidth = std::uint16_t(width);
    gif.screenHeight = std::uint16_t(height);
    gif.flags = 0xF7;
    gif.globalTable = CubeColourTable();
    return gif;
}

std::vector<std::uint8_t> widenToTwoBits(const GifImage& image) {
    BitReader in(image.pixels, BitOrder::LsbFirst);
    BitPacker out((image.PixelCount() * 2 + 7) / 8, 0, BitOrder::LsbFirst);
    for (std::size_t i = 0; i < image.PixelCount(); ++i)
        out.Write(std::uint32_t(std::max<std::int64_t>(in.Read(image.bitsPerPixel ? 1 : 0), 0)), 2);
    return out.Take();
}

bool save(const std::vector<std::uint8_t>& bytes, const std::filesystem::path& path, int* error) {
    return WriteFileAtomically(path, bytes, error);
}

} // namespace

GifColourTable CubeColourTable() {
    GifColourTable table;
    const Colour* cube = cubePalette();
    table.colours.assign(cube, cube + 256);
    return table;
}

std::vector<std::uint8_t> LzwEncode(int minCodeSize, std::span<const std::uint8_t> pixels) {
    const int m = std::clamp(minCodeSize, 2, 8);
    const int clear = 1 << m;
    const int end = clear + 1;
    int next = clear + 2;
    int width = m + 1;
    BitPacker out(pixels.size() + 64, pixels.size() / 2 + 1024, BitOrder::LsbFirst);
    auto table = std::make_unique<StringTable>();
    table->Clear();
    out.Write(std::uint32_t(clear), width);

    // Pixels are read m bits at a time until the last byte is used up.
    const std::size_t count = (pixels.size() * 8 + std::size_t(m) - 1) / std::size_t(m);
    const std::uint32_t pixelMask = (1u << m) - 1;
    int current = -1;
    for (std::size_t i = 0; i < count; ++i) {
        int pixel;
        if (m == 8) {
            pixel = pixels[i];
        } else {
            const std::size_t bit = i * std::size_t(m);
            const std::size_t at = bit >> 3;
            std::uint32_t window = pixels[at];
            if (at + 1 < pixels.size())
                window |= std::uint32_t(pixels[at + 1]) << 8;
            pixel = int(window >> (bit & 7) & pixelMask);
        }
        if (current < 0) {
            current = pixel;
            continue;
        }
        const int found = table->Find(current, pixel);
        if (found >= 0) {
            current = found;
            continue;
        }
        out.Write(std::uint32_t(current), width);
        if (next < 4095) {
            table->Add(current, pixel, next);
            if (next > (1 << width) - 1)
                ++width;
            ++next;
        } else {
            out.Write(std::uint32_t(clear), width);
            table->Clear();
            next = clear + 2;
            width = m + 1;
        }
        current = pixel;
    }
    if (current >= 0)
        out.Write(std::uint32_t(current), width);
    out.Write(std::uint32_t(end), width);
    return out.Take();
}

std::vector<std::uint8_t> EncodeGifFile(const GifFile& gif) {
    std::vector<std::uint8_t> out(gif.signature.begin(), gif.signature.end());
    put16(out, gif.screenWidth);
    put16(out, gif.screenHeight);
    std::uint8_t flags = gif.flags & 0x7F;
    if (gif.globalTable) {
        // The size bits always describe the table that follows.
        flags = std::uint8_t((flags & 0xF8) | 0x80 | tableSizeBits(gif.globalTable->Count()));
    }
    out.push_back(flags);
    out.push_back(gif.background);
    out.push_back(0);
    if (gif.globalTable) {
        const int entries = 2 << (flags & 7);
        for (int i = 0; i < entries; ++i) {
            const Colour c =
                i < gif.globalTable->Count() ? gif.globalTable->colours[std::size_t(i)] : 0;
            out.push_back(std::uint8_t(redOf(c)));
            out.push_back(std::uint8_t(greenOf(c)));
            out.push_back(std::uint8_t(blueOf(c)));
        }
    }
    for (const GifImage& image : gif.images) {
        out.push_back(0x2C);
        put16(out, image.left);
        put16(out, image.top);
        put16(out, image.width);
        put16(out, image.height);
        out.push_back(image.flags & 0x7F); // a local table is never written
        // LZW codes at least 2 bits a pixel: one-bit pixels are widened rather than mis-coded.
        const bool widen = image.bitsPerPixel < 2;
        out.push_back(widen ? 2 : image.bitsPerPixel);
        const std::vector<std::uint8_t> codes = widen ? LzwEncode(2, widenToTwoBits(image))
                                                      : LzwEncode(image.bitsPerPixel, image.pixels);
        for (std::size_t at = 0; at < codes.size(); at += SubBlockSize) {
            const std::size_t n = std::min<std::size_t>(SubBlockSize, codes.size() - at);
            out.push_back(std::uint8_t(n));
            out.insert(out.end(), codes.begin() + std::ptrdiff_t(at),
                       codes.begin() + std::ptrdiff_t(at + n));
        }
        out.push_back(0);
    }
    out.push_back(0x3B);
    return out;
}

bool WriteGifFile(const GifFile& gif, const std::filesystem::path& path, int* error) {
    return save(EncodeGifFile(gif), path, error);
}

GifFile PictureGif(const CPicture& picture, int maxWidth, int maxHeight) {
    const bool colour = picture.m_nDepth > 7;
    const int bits = colour ? 8 : 2;
    const int width = std::clamp(std::min(picture.m_nWidth, maxWidth), 0, 0xFFFF);
    const int height = std::clamp(std::min(picture.m_nHeight, maxHeight), 0, 0xFFFF);
    GifFile gif;
    gif.screenWidth = std::uint16_t(width);
    gif.screenHeight = std::uint16_t(height);
    gif.flags = std::uint8_t(0x80 | ((bits + 15) << 4 & 0xFF) | (bits - 1));
    if (colour) {
        gif.globalTable = CubeColourTable();
    } else {
        gif.globalTable = GifColourTable{
            {GreyMap.colours[0], GreyMap.colours[1], GreyMap.colours[2], GreyMap.colours[3]}};
    }
    GifImage image;
    image.width = std::uint16_t(width);
    image.height = std::uint16_t(height);
    image.bitsPerPixel = std::uint8_t(bits);
    image.pixels.assign(image.BufferSize(), 0);
    BitPacker packer(image.pixels.size(), 0, BitOrder::LsbFirst);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint16_t v = picture.GetPixel(x, y);
            packer.Write(colour ? cubeIndexOf565(v) : v & 3u, bits);
        }
    image.pixels = packer.Take();
    image.pixels.resize(image.BufferSize(), 0);
    gif.images.push_back(std::move(image));
    CurrentMap = colour ? &DirectMap : &GreyMap;
    return gif;
}

bool WritePictureGif(const CPicture& picture, const std::filesystem::path& path, int maxWidth,
                     int maxHeight, int* error) {
    return WriteGifFile(PictureGif(picture, maxWidth, maxHeight), path, error);
}

GifFile AnimationGif(const Animation& animation, const CPortfolio& portfolio) {
    auto pictureOf = [&](int id) -> const CPicture* {
        for (const auto& p : portfolio.m_pictures)
            if (p->m_nId == id)
                return p.get();
        return nullptr;
    };
    int screenWidth = 0, screenHeight = 0;
    GifFile gif = cubeGif(0, 0);
    for (const AnimationFrame& frame : animation.frames) {
        const CPicture* picture = pictureOf(frame.id);
        if (!picture)
            continue;
        // The 16-bit fields cannot hold more: callers refuse such frames (AnimationGifRefusal)
        // before writing, and the clamps keep the buffer and the loops below the same size.
        const int left = std::clamp(frame.xoffset, 0, 0xFFFF);
        const int top = std::clamp(frame.yoffset, 0, 0xFFFF);
        const int width = std::clamp(picture->m_nWidth, 0, 0xFFFF);
        const int height = std::clamp(picture->m_nHeight, 0, 0xFFFF);
        screenWidth = std::max(screenWidth, left + width);
        screenHeight = std::max(screenHeight, top + height);
        GifImage image;
        image.left = std::uint16_t(left);
        image.top = std::uint16_t(top);
        image.width = std::uint16_t(width);
        image.height = std::uint16_t(height);
        image.bitsPerPixel = 8;
        image.pixels.resize(image.PixelCount());
        const bool greyLevels = picture->m_nDepth <= 2;
        std::size_t at = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint16_t v = picture->GetPixel(x, y);
                // Grey-level pictures hold GreyMap indices: write the cube index of that grey.
                image.pixels[at++] = greyLevels ? std::uint8_t(cubeIndex(GreyMap.colours[v & 3]))
                                                : cubeIndexOf565(v);
            }
        gif.images.push_back(std::move(image));
    }
    gif.screenWidth = std::uint16_t(std::min(screenWidth, 0xFFFF));
    gif.screenHeight = std::uint16_t(std::min(screenHeight, 0xFFFF));
    CurrentMap = &CubeMap;
    return gif;
}

bool WriteAnimationGif(const Animation& animation, const CPortfolio& portfolio,
                       const std::filesystem::path& path, int* error) {
    return WriteGifFile(AnimationGif(animation, portfolio), path, error);
}

} // namespace pixelon
