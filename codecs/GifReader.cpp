#include "codecs/GifReader.h"

#include <algorithm>
#include <cstring>

#include "codecs/ByteReader.h"
#include "codecs/FileBytes.h"
#include "codecs/GifLzw.h"
#include "codecs/ImportLimits.h"

namespace pixelon {

namespace {

constexpr std::uintmax_t MaxGifFileSize = std::uintmax_t(256) << 20;

std::optional<GifColourTable> readColourTable(ByteReader& in, int flags) {
    const int count = 2 << (flags & 7);
    GifColourTable table;
    table.colours.assign(std::size_t(count), 0);
    for (int i = 0; i < count; ++i) {
        auto entry = in.Take(3);
        if (entry.size() < 3)
            break; // the file ends inside the table: the rest stays black
        table.colours[std::size_t(i)] = rgb(entry[0], entry[1], entry[2]);
    }
    return table;
}

void skipSubBlocks(ByteReader& in) {
    while (auto length = in.U8()) {
        if (*length == 0 || !in.Skip(*length))
            return;
    }
}

std::vector<std::uint8_t> readSubBlocks(ByteReader& in) {
    std::vector<std::uint8_t> data;
    while (auto length = in.U8()) {
        if (*length == 0)
            break;
        auto block = in.Take(*length);
        data.insert(data.end(), block.begin(), block.end());
        if (block.size() < *length)
            break;
    }
    return data;
}

// Reads one image after its separator; false when the file ends inside the descriptor or the
// image is beyond what the reader accepts, which ends the file.
bool readImage(GifFile& gif, ByteReader& in, const GifReadLimits& limits,
               std::size_t& totalPixels) {
    GifImage image;
    auto left = in.U16le(), top = in.U16le(), width = in.U16le(), height = in.U16le();
    auto flags = in.U8();
    if (!left || !top || !width || !height || !flags)
        return false;
    image.left = *left;
    image.top = *top;
    image.width = *width;
    image.height = *height;
    image.flags = *flags;
    if (image.flags & 0x80)
        image.localTable = readColourTable(in, image.flags);
    auto minCodeSize = in.U8();
    if (!minCodeSize || *minCodeSize < 1 || *minCodeSize > 8)
        return false;
    image.bitsPerPixel = *minCodeSize;
    const auto part = KeptPartOf(image.width, image.height, limits.maxDimension, limits.cropWidth,
                                 limits.cropHeight);
    if (!part)
        return false;
    const bool huge = part->cropped;
    GifImage kept = image;
    if (huge) {
        // Only the top-left part is stored, de-interlaced.
        kept.width = std::uint16_t(part->width);
        kept.height = std::uint16_t(part->height);
        kept.flags = std::uint8_t(image.flags & ~0x40);
    }
    if (kept.PixelCount() > limits.maxTotalPixels - totalPixels)
        return false;
    totalPixels += kept.PixelCount();
    kept.pixels.assign(kept.BufferSize(), 0);
    std::vector<std::uint8_t> codes = readSubBlocks(in);
    if (huge) {
        LzwDecodeCropped(image, kept.width, kept.height, codes, kept.pixels);
    } else if (image.bitsPerPixel == 8) {
        kept.pixels.resize(kept.BufferSize() + LzwSlack, 0);
        LzwDecodeZeroed(codes, kept.pixels);
        kept.pixels.resize(kept.BufferSize());
    } else {
        LzwDecode(image.bitsPerPixel, codes, kept.pixels);
    }
    gif.images.push_back(std::move(kept));
    return true;
}

} // namespace

bool ReadGifBytes(GifFile& gif, std::span<const std::uint8_t> bytes, const GifReadLimits& limits) {
    gif.images.clear();
    gif.globalTable.reset();
    ByteReader in(bytes);
    auto signature = in.Take(6);
    if (signature.size() < 6 || (std::memcmp(signature.data(), "GIF87a", 6) != 0 &&
                                 std::memcmp(signature.data(), "GIF89a", 6) != 0))
        return false;
    std::copy(signature.begin(), signature.end(), gif.signature.begin());
    auto width = in.U16le(), height = in.U16le();
    auto flags = in.U8(), background = in.U8(), aspect = in.U8();
    if (!width || !height || !flags || !background || !aspect)
        return true;
    gif.screenWidth = *width;
    gif.screenHeight = *height;
    gif.flags = *flags;
    gif.background = *background;
    if (gif.flags & 0x80)
        gif.globalTable = readColourTable(in, gif.flags);

    // Counting the budget as pixels already taken keeps readImage's single check.
    const std::size_t budget =
        limits.basePixels + std::min(bytes.size(), SIZE_MAX / 8192) * limits.PixelsPerFileByte;
    std::size_t totalPixels =
        budget < limits.maxTotalPixels ? limits.maxTotalPixels - budget : std::size_t(0);
    while (auto introducer = in.U8()) {
        if (*introducer == 0x21) {
            in.U8(); // the label: every extension is skipped
            skipSubBlocks(in);
        } else if (*introducer == 0x2C) {
            if (!readImage(gif, in, limits, totalPixels))
                break;
        } else {
            break; // the trailer, or anything else, ends the file
        }
    }
    return true;
}

bool ReadGifFile(GifFile& gif, const std::filesystem::path& path, const GifReadLimits& limits) {
    gif.images.clear();
    auto bytes = ReadFileBytes(path, MaxGifFileSize);
    if (!bytes)
        return false;
    return ReadGifBytes(gif, *bytes, limits);
}

GifPixelCursor::GifPixelCursor(const GifImage& image)
    : m_image(image), m_reader(image.pixels, BitOrder::LsbFirst) {
    StartPass(0);
}

void GifPixelCursor::StartPass(int pass) {
    static constexpr int start[] = {0, 4, 2, 1};
    m_pass = pass;
    m_y = start[pass];
}

GifPixelCursor::Pixel GifPixelCursor::Next() {
    static constexpr int step[] = {8, 8, 4, 2};
    Pixel p{int(m_reader.Read(m_image.bitsPerPixel)), m_x, m_y};
    if (++m_x >= m_image.width) {
        m_x = 0;
        if (!m_image.Interlaced()) {
            ++m_y;
        } else {
            m_y += step[m_pass];
            // A pass whose first row is below the image has no rows: go on to the next one.
            while (m_y >= m_image.height && m_pass < 3)
                StartPass(m_pass + 1);
        }
    }
    return p;
}

Surface RenderGifImage(const GifFile& gif, std::size_t index) {
    if (index >= gif.images.size())
        return {};
    const GifImage& image = gif.images[index];
    Surface bitmap(image.width, image.height, rgb(255, 0, 0));
    const GifColourTable* table = image.localTable  ? &*image.localTable
                                  : gif.globalTable ? &*gif.globalTable
                                                    : nullptr;
    // Every index of the image's depth gets a colour, black where the table has none.
    Colour colours[256] = {};
    if (table)
        std::copy_n(table->colours.begin(), std::min(table->Count(), 256), colours);
    if (image.bitsPerPixel == 8 && !image.Interlaced()) {
        const std::size_t n = std::min(image.PixelCount(), image.pixels.size());
        for (std::size_t i = 0; i < n; ++i)
            bitmap.pixels()[i] = colours[image.pixels[i]];
        return bitmap;
    }
    GifPixelCursor cursor(image);
    for (std::size_t i = 0, n = image.PixelCount(); i < n; ++i) {
        const auto p = cursor.Next();
        if (p.value < 0)
            break;
        bitmap.setPixel(p.x, p.y, colours[p.value & 0xFF]);
    }
    return bitmap;
}

} // namespace pixelon
