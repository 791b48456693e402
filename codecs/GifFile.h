#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "codecs/BitStream.h"
#include "platform/Surface.h"

namespace pixelon {

// A GIF colour table of 2, 4, ..., 256 colours (0x00BBGGRR; red, green, blue in the file).
struct GifColourTable {
    std::vector<Colour> colours;
    int Count() const { return int(colours.size()); }
};

// One image of a GIF file. Its pixels are packed LSB-first with `bitsPerPixel` bits each, in the
// order the data stream delivers them (interlace pass order for an interlaced image).
struct GifImage {
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t flags = 0;        // bit 7 local table, bit 6 interlaced, bits 2-0 local table size
    std::uint8_t bitsPerPixel = 8; // also the LZW minimum code size
    std::optional<GifColourTable> localTable;
    std::vector<std::uint8_t> pixels;

    bool Interlaced() const { return (flags & 0x40) != 0; }
    std::size_t PixelCount() const { return std::size_t(width) * height; }
    std::size_t BufferSize() const { return (PixelCount() * bitsPerPixel + 7) / 8; }
};

struct GifFile {
    std::array<char, 6> signature{'G', 'I', 'F', '8', '9', 'a'};
    std::uint16_t screenWidth = 0;
    std::uint16_t screenHeight = 0;
    std::uint8_t flags = 0; // bit 7 global table, bits 6-4 colour resolution - 1, bits 2-0 size
    std::uint8_t background = 0;
    std::optional<GifColourTable> globalTable;
    std::vector<GifImage> images;
};

// Walks an image's pixel buffer in stream order and tells where each pixel belongs.
class GifPixelCursor {
public:
    explicit GifPixelCursor(const GifImage& image);

    struct Pixel {
        int value;
        int x;
        int y;
    };
    // The next pixel; its value is -1 once the buffer is exhausted.
    Pixel Next();

private:
    void StartPass(int pass);

    const GifImage& m_image;
    BitReader m_reader;
    int m_x = 0;
    int m_y = 0;
    int m_pass = 0;
};

} // namespace pixelon
