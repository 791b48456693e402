#include "phone/WirePicture.h"

#include "core/Colours.h"

namespace pixelon {

namespace {

const PaletteMap& mapForBits(int bits) {
    return bits == 1 ? MonoMap : bits == 2 ? GreyMap : CubeMap;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::size_t wireBandCount(int height, int bits) {
    if (height <= 0 || !validWireBits(bits))
        return 0;
    return (std::size_t(height) * std::size_t(bits) + 7) / 8;
}

std::size_t wireSize(int width, int height, int bits) {
    return width <= 0 ? 0 : std::size_t(width) * wireBandCount(height, bits);
}

std::vector<std::uint8_t> PackWirePicture(const Surface& source, int xOffset, int width, int height,
                                          int bits) {
    std::vector<std::uint8_t> out(wireSize(width, height, bits), 0);
    if (out.empty())
        return out;
    const PaletteMap& map = mapForBits(bits);
    const int rowsPerBand = 8 / bits;
    const int valueMask = (1 << bits) - 1;
    const Colour white = 0x00FFFFFF;
    std::size_t at = 0;
    for (int bandTop = 0; bandTop < height; bandTop += rowsPerBand) {
        for (int x = 0; x < width; ++x, ++at) {
            int byte = 0;
            for (int j = 0; j < rowsPerBand && bandTop + j < height; ++j) {
                Colour c = source.pixel(x + xOffset, bandTop + j);
                if (c == InvalidColour)
                    c = white;
                byte |= (mapIndex(c, map) & valueMask) << (j * bits);
            }
            out[at] = std::uint8_t(byte);
        }
    }
    return out;
}

Colour wireValueColour(int value, int bits, Colour black) {
    if (bits == 1)
        return value & 1 ? black : Colour(0x00FFFFFF);
    if (bits == 2) {
        switch (value & 3) {
        case 3:
            return black;
        case 2:
            return 0x526E6B;
        case 1:
            return 0xADB6B5;
        default:
            return 0x00FFFFFF;
        }
    }
    int max = (1 << bits) - 1;
    int level = 255 - (value & max) * 255 / max;
    return rgb(level, level, level);
}

Surface UnpackWirePicture(std::span<const std::uint8_t> bytes, int width, int height, int bits,
                          Colour black) {
    if (width <= 0 || height <= 0 || !validWireBits(bits))
        return {};
    Surface out(width, height, 0x00FFFFFF);
    const int rowsPerBand = 8 / bits;
    const int valueMask = (1 << bits) - 1;
    std::size_t at = 0;
    for (int bandTop = 0; bandTop < height && at < bytes.size(); bandTop += rowsPerBand)
        for (int x = 0; x < width && at < bytes.size(); ++x, ++at)
            for (int j = 0; j < rowsPerBand && bandTop + j < height; ++j)
                out.setPixel(x, bandTop + j,
                             wireValueColour(bytes[at] >> (j * bits) & valueMask, bits, black));
    return out;
}

std::string toHex(std::span<const std::uint8_t> bytes, bool invert) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        if (invert)
            b = std::uint8_t(b ^ 0xFF);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

std::vector<std::uint8_t> fromHex(std::string_view text, std::size_t maxBytes) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < text.size() && out.size() < maxBytes; i += 2) {
        int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            break;
        out.push_back(std::uint8_t(hi << 4 | lo));
    }
    return out;
}

std::vector<std::uint8_t> DecodeUploadReply(std::string_view reply, std::size_t maxBytes) {
    std::size_t at = std::string_view::npos;
    for (std::size_t i = 0, from = 0; i < 3; ++i) {
        at = reply.find('\r', from);
        if (at == std::string_view::npos)
            return {};
        from = at + 1;
    }
    std::size_t start = at + 2;
    if (start >= reply.size())
        return {};
    std::size_t end = reply.find('\r', start);
    return fromHex(reply.substr(start, end == std::string_view::npos ? end : end - start),
                   maxBytes);
}

} // namespace pixelon
