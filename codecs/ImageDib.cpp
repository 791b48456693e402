#include "codecs/ImageDib.h"

#include <algorithm>
#include <array>

#include "codecs/BitFields.h"
#include "codecs/Errors.h"
#include "core/Colours.h"

namespace pixelon {
namespace {

constexpr std::size_t MaxBitmapFileSize = 256u << 20;

std::uint32_t le16(const std::uint8_t* p) {
    return std::uint32_t(p[0] | p[1] << 8);
}
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

[[noreturn]] void notBitmap(const char* why) {
    throw EFatalError(std::string("Bitmap: ") + why);
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The sixteen colours of the standard Windows palette.
constexpr std::array<Colour, 16> windowsColours = {
    rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
    rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(192, 192, 192),
    rgb(128, 128, 128), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
    rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255)};

int nearestWindowsColour(int r, int g, int b) {
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < 16; ++i) {
        Colour c = windowsColours[std::size_t(i)];
        int dr = r - redOf(c), dg = g - greenOf(c), db = b - blueOf(c);
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace

CImageDibCodecProcessor::CImageDibCodecProcessor()
    : CImageCodecProcessor({{"True colors", 24},
                            {"256 colors", 8},
                            {"256 gray scale", 8 | GreyVariant},
                            {"16 colors", 4},
                            {"16 gray scale", 4 | GreyVariant}}) {}

std::unique_ptr<CImageObject> CImageDibCodecProcessor::ReadImage(CImageFile& file) {
    std::uint8_t magic[2] = {};
    if (file.Read(magic) != 2 || magic[0] != 'B' || magic[1] != 'M')
        notBitmap("not a bitmap");
    std::vector<std::uint8_t> data = {'B', 'M'};
    std::vector<std::uint8_t> rest = file.ReadRest(MaxBitmapFileSize);
    data.insert(data.end(), rest.begin(), rest.end());
    if (data.size() < 26)
        notBitmap("truncated header");
    const std::size_t pixelOffset = le32(&data[10]);
    const std::uint32_t headerSize = le32(&data[14]);
    std::int64_t width, height;
    int bits, compression = 0;
    std::size_t paletteEntry = 4;
    if (headerSize == 12) {
        width = le16(&data[18]);
        height = std::int16_t(le16(&data[20]));
        bits = int(le16(&data[24]));
        paletteEntry = 3;
    } else if (headerSize >= 40 && data.size() >= 14 + 40) {
        width = std::int32_t(le32(&data[18]));
        height = std::int32_t(le32(&data[22]));
        bits = int(le16(&data[28]));
        compression = int(le32(&data[30]));
    } else {
        notBitmap("unknown header");
    }
    const bool topDown = height < 0;
    height = height < 0 ? -height : height;
    // The same bounds as the JPEG reader: a few bytes of 1-bit data must not become a
    // gigabyte of RGB samples.
    constexpr std::int64_t MaxPixels = 64ll * 1024 * 1024;
    if (width <= 0 || height <= 0 || width > MaxImageDimension || height > MaxImageDimension ||
        width * height > MaxPixels)
        notBitmap("bad size");
    // Uncompressed only, or 16- and 32-bit pixels with channel masks (5-6-5 among them).
    if (!(compression == 0 || (compression == 3 && (bits == 16 || bits == 32))))
        notBitmap("compressed bitmaps are not supported");
    // Without masks 16-bit pixels are 5-5-5 and 32-bit ones 8-8-8; the masks follow the
    // 40-byte header (later header versions keep them in the same place).
    std::uint32_t masks[3] = {bits == 16 ? 0x7C00u : 0xFF0000u, bits == 16 ? 0x03E0u : 0xFF00u,
                              bits == 16 ? 0x001Fu : 0xFFu};
    if (compression == 3) {
        if (headerSize < 40 || data.size() < 14 + 40 + 12)
            notBitmap("truncated channel masks");
        for (int c = 0; c < 3; ++c)
            masks[c] = le32(&data[std::size_t(14 + 40 + 4 * c)]);
    }
    const BitField fields[3] = {BitField::of(masks[0]), BitField::of(masks[1]),
                                BitField::of(masks[2])};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        notBitmap("unsupported depth");

    std::array<Colour, 256> palette{};
    if (bits <= 8) {
        const std::size_t start = 14 + headerSize;
        for (std::size_t i = 0; i < (std::size_t(1) << bits); ++i) {
            std::size_t at = start + i * paletteEntry;
            if (at + 3 > data.size() || at + 3 > pixelOffset)
                break;
            palette[i] = rgb(data[at + 2], data[at + 1], data[at]);
        }
    }
    const std::size_t stride = ((std::size_t(width) * std::size_t(bits) + 31) / 32) * 4;
    if (pixelOffset > data.size() || (data.size() - pixelOffset) / stride < std::size_t(height))
        notBitmap("truncated pixel data");

    auto image = std::make_unique<CImageObject>();
    image->Create(int(width), int(height), RgbChannels);
    CImageBuffer* buffer = image->GetBuffer();
    for (int y = 0; y < int(height); ++y) {
        const std::uint8_t* row =
            data.data() + pixelOffset + stride * std::size_t(topDown ? y : int(height) - 1 - y);
        std::span<std::uint8_t> out = buffer->Row(y);
        for (int x = 0; x < int(width); ++x) {
            int r, g, b;
            if (bits <= 8) {
                int perByte = 8 / bits;
                int index =
                    row[x / perByte] >> ((perByte - 1 - x % perByte) * bits) & ((1 << bits) - 1);
                Colour c = palette[std::size_t(index)];
                r = redOf(c), g = greenOf(c), b = blueOf(c);
            } else if (bits == 16 || bits == 32) {
                const std::uint32_t v = bits == 16 ? le16(row + 2 * x) : le32(row + 4 * x);
                r = fields[0].Scaled(v);
                g = fields[1].Scaled(v);
                b = fields[2].Scaled(v);
            } else {
                const std::uint8_t* p = row + std::size_t(x) * 3;
                r = p[2], g = p[1], b = p[0];
            }
            out[std::size_t(3 * x)] = std::uint8_t(r);
            out[std::size_t(3 * x + 1)] = std::uint8_t(g);
            out[std::size_t(3 * x + 2)] = std::uint8_t(b);
        }
    }
    return image;
}

void CImageDibCodecProcessor::WriteImage(CImageFile& file, const CImageObject& image,
                                         std::uint16_t variantParameter) {
    const CImageBuffer& buffer = *image.GetBuffer();
    const int bits = variantParameter & 0xFF ? variantParameter & 0xFF : 24;
    const bool greyPalette = variantParameter & GreyVariant;
    const int width = buffer.Width(), height = buffer.Height();
    const std::size_t stride = ((std::size_t(width) * std::size_t(bits) + 31) / 32) * 4;
    const std::uint32_t colours = bits <= 8 ? 1u << bits : 0;
    const std::uint32_t offset = 14 + 40 + colours * 4;
    std::vector<std::uint8_t> out;
    out.reserve(offset + stride * std::size_t(height));
    out.push_back('B');
    out.push_back('M');
    put32(out, std::uint32_t(offset + stride * std::size_t(height)));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, std::uint32_t(width));
    put32(out, std::uint32_t(height));
    put16(out, 1);
    put16(out, std::uint32_t(bits));
    put32(out, 0);
    put32(out, std::uint32_t(stride * std::size_t(height)));
    put32(out, 3780); // 96 dots per inch
    put32(out, 3780);
    put32(out, colours);
    put32(out, 0);
    for (std::uint32_t i = 0; i < colours; ++i) {
        Colour c;
        if (greyPalette)
            c = rgb(int(i * 255 / (colours - 1)), int(i * 255 / (colours - 1)),
                    int(i * 255 / (colours - 1)));
        else if (bits == 8)
            c = cubePalette()[i];
        else
            c = windowsColours[i];
        out.push_back(std::uint8_t(blueOf(c)));
        out.push_back(std::uint8_t(greenOf(c)));
        out.push_back(std::uint8_t(redOf(c)));
        out.push_back(0);
    }
    std::vector<std::uint8_t> row(stride);
    for (int y = height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            buffer.MoveTo(x, y);
            buffer.ReadRgb(r, g, b);
            if (bits == 24) {
                row[std::size_t(3 * x)] = std::uint8_t(b);
                row[std::size_t(3 * x + 1)] = std::uint8_t(g);
                row[std::size_t(3 * x + 2)] = std::uint8_t(r);
                continue;
            }
            int index;
            if (greyPalette)
                index = grey(rgb(r, g, b)) * int(colours - 1) / 255;
            else if (bits == 8)
                index = cubeIndex(rgb(r, g, b));
            else
                index = nearestWindowsColour(r, g, b);
            if (bits == 8)
                row[std::size_t(x)] = std::uint8_t(index);
            else
                row[std::size_t(x / 2)] |= std::uint8_t(index << (x % 2 ? 0 : 4));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (std::size_t at = 0; at < out.size(); at += 4096)
        file.Write(std::span<const std::uint8_t>(out).subspan(
            at, std::min<std::size_t>(4096, out.size() - at)));
}

} // namespace pixelon
