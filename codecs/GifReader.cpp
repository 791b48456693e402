#include "codecs/GifReader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "codecs/ByteReader.h"
#include "codecs/FileBytes.h"
#include "codecs/ImportLimits.h"

namespace pixelon {

namespace {

constexpr int MaxCodes = 4096;
constexpr std::uintmax_t MaxGifFileSize = std::uintmax_t(256) << 20;

// Reads codes LSB-first. A read that starts at or beyond the end gives -1; bits that a read
// would take from beyond the end are 0.
class CodeReader {
public:
    explicit CodeReader(std::span<const std::uint8_t> codes)
        : m_codes(codes), m_totalBits(codes.size() * 8) {}

    int Read(int width) {
        if (m_bit >= m_totalBits)
            return -1;
        const std::size_t at = m_bit >> 3;
        std::uint32_t window;
        if (at + 3 <= m_codes.size()) {
            const std::uint8_t* b = m_codes.data() + at;
            window = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16;
        } else {
            window = byteAt(at) | byteAt(at + 1) << 8 | byteAt(at + 2) << 16;
        }
        const int value = int(window >> (m_bit & 7) & ((1u << width) - 1));
        m_bit += std::size_t(width);
        return value;
    }

private:
    std::uint32_t byteAt(std::size_t i) const { return i < m_codes.size() ? m_codes[i] : 0; }

    std::span<const std::uint8_t> m_codes;
    std::size_t m_totalBits;
    std::size_t m_bit = 0;
};

// Writes decoded pixels with `bits` bits each, LSB-first, dropping what does not fit.
class PixelSink {
public:
    PixelSink(std::span<std::uint8_t> out, int bits)
        : m_out(out), m_bits(bits), m_capacity(out.size() * 8) {}

    // Room for `length` whole bytes at the write position: a byte-per-pixel string can be
    // unrolled straight into the output.
    std::uint8_t* Direct(std::size_t length) {
        if (m_bits != 8)
            return nullptr;
        const std::size_t at = m_bit >> 3;
        if (at + length > m_out.size())
            return nullptr;
        m_bit += length * 8;
        return m_out.data() + at;
    }

    void Put(const std::uint8_t* string, std::size_t length) {
        if (m_bits == 8) {
            const std::size_t at = m_bit >> 3;
            if (at < m_out.size())
                std::memcpy(m_out.data() + at, string, std::min(length, m_out.size() - at));
            m_bit += length * 8;
            return;
        }
        for (std::size_t i = 0; i < length; ++i)
            PutOne(string[i]);
    }

    std::size_t BytesProduced() const { return (std::min(m_bit, m_capacity) + 7) / 8; }

private:
    void PutOne(unsigned value) {
        for (int done = 0; done < m_bits;) {
            if (m_bit >= m_capacity) {
                m_bit += std::size_t(m_bits - done);
                return;
            }
            const std::size_t at = m_bit >> 3;
            const int offset = int(m_bit & 7);
            if (offset == 0)
                m_out[at] = 0;
            const int take = std::min(m_bits - done, 8 - offset);
            m_out[at] |= std::uint8_t((value >> done & ((1u << take) - 1)) << offset);
            done += take;
            m_bit += std::size_t(take);
        }
    }

    std::span<std::uint8_t> m_out;
    int m_bits;
    std::size_t m_capacity;
    std::size_t m_bit = 0;
};

// Keeps the pixels of an image's top-left part, packed row after row at `bits` bits each,
// LSB-first: each decoded pixel's place follows from its position in the stream (and the
// interlace passes), and pixels outside the part are dropped.
class CropSink {
public:
    CropSink(const GifImage& source, int width, int height, std::span<std::uint8_t> out)
        : m_sourceWidth(source.width), m_sourceHeight(source.height),
          m_interlaced(source.Interlaced()), m_bits(source.bitsPerPixel), m_width(width),
          m_height(height), m_out(out) {}

    std::uint8_t* Direct(std::size_t) { return nullptr; }

    void Put(const std::uint8_t* string, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i)
            PutOne(string[i]);
    }

    std::size_t BytesProduced() const { return m_out.size(); }

private:
    void PutOne(unsigned value) {
        if (m_y < m_height && m_x < m_width) {
            std::size_t bit =
                (std::size_t(m_y) * std::size_t(m_width) + std::size_t(m_x)) * std::size_t(m_bits);
            for (int b = 0; b < m_bits; ++b, ++bit)
                if (value >> b & 1)
                    m_out[bit >> 3] |= std::uint8_t(1u << (bit & 7));
        }
        if (++m_x < m_sourceWidth)
            return;
        m_x = 0;
        if (!m_interlaced) {
            ++m_y;
            return;
        }
        static constexpr int start[] = {0, 4, 2, 1};
        static constexpr int step[] = {8, 8, 4, 2};
        m_y += step[m_pass];
        while (m_y >= m_sourceHeight && m_pass < 3)
            m_y = start[++m_pass];
    }

    int m_sourceWidth, m_sourceHeight;
    bool m_interlaced;
    int m_bits, m_width, m_height;
    std::span<std::uint8_t> m_out;
    int m_x = 0, m_y = 0, m_pass = 0;
};

// The next free code and the code width of a decoding table. A clear code starts both over;
// the width grows by a bit when the next code needs it, up to 12 bits. A full table takes no
// new entries: encoders may go on with 12-bit codes and send the clear code later (a deferred
// clear), so decoding continues without growing it.
class LzwCodeSpace {
public:
    explicit LzwCodeSpace(int minCodeSize) : m_minCodeSize(minCodeSize) { Clear(); }

    int Next() const { return m_next; }
    int Width() const { return m_width; }
    bool Full() const { return m_next >= MaxCodes; }

    void Clear() {
        m_next = (1 << m_minCodeSize) + 2;
        m_width = m_minCodeSize + 1;
    }

    // Counts the entry just added at Next().
    void Added() {
        ++m_next;
        if (m_next >= (1 << m_width) && m_next < MaxCodes)
            ++m_width;
    }

private:
    int m_minCodeSize;
    int m_next = 0;
    int m_width = 0;
};

// Decodes the code stream into `sink`: Direct(n) gives room for n byte-per-pixel values or
// null, Put(values, n) takes values it could not give room for.
template <class Sink>
std::size_t lzwDecodeInto(int minCodeSize, std::span<const std::uint8_t> codes, Sink& sink) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    std::uint16_t prefix[MaxCodes];
    std::uint8_t suffix[MaxCodes];
    std::uint8_t first[MaxCodes];
    std::uint16_t length[MaxCodes];
    std::uint8_t stack[MaxCodes + 1];
    for (int i = 0; i < clear; ++i) {
        prefix[i] = 0;
        suffix[i] = first[i] = std::uint8_t(i);
        length[i] = 1;
    }

    CodeReader reader(codes);
    LzwCodeSpace space(minCodeSize);
    int previous = -1;
    for (;;) {
        const int code = reader.Read(space.Width());
        const int next = space.Next();
        if (code < 0 || code > next || code == end)
            break;
        if (code == clear) {
            space.Clear();
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code >= clear)
                break; // nothing defined to refer to yet
            stack[0] = std::uint8_t(code);
            sink.Put(stack, 1);
            previous = code;
            continue;
        }
        // A code equal to `next` is the previous string followed by its own first pixel.
        const int known = code == next ? previous : code;
        const std::size_t count = length[known];
        const std::size_t total = count + (code == next ? 1 : 0);
        std::uint8_t* out = sink.Direct(total);
        if (!out)
            out = stack;
        std::size_t at = count;
        for (int c = known; at > 0; c = prefix[c])
            out[--at] = suffix[c];
        if (code == next)
            out[count] = first[previous];
        if (out == stack)
            sink.Put(stack, total);

        if (!space.Full()) {
            prefix[next] = std::uint16_t(previous);
            suffix[next] = first[known];
            first[next] = first[previous];
            length[next] = std::uint16_t(length[previous] + 1);
            space.Added();
        }
        previous = code;
    }
    return sink.BytesProduced();
}

// The same decoding for 8-bit pixels written whole into `out`, without unrolling strings
// through the table: every string after the first is a copy of output already written (a
// code's string first appeared where the code before it was written, one pixel longer), so
// the table keeps only where each string starts and its length. Decoding stops when `out`
// is full, as nothing after that would be kept.
std::size_t lzwDecodeBytes(std::span<const std::uint8_t> codes, std::span<std::uint8_t> out) {
    constexpr int clear = 256;
    constexpr int end = clear + 1;
    std::size_t start[MaxCodes];
    std::uint16_t length[MaxCodes];
    for (int i = 0; i < clear; ++i) {
        start[i] = 0;
        length[i] = 1;
    }
    std::uint8_t* const base = out.data();
    const std::size_t size = out.size();
    CodeReader reader(codes);
    std::size_t at = 0;
    std::size_t previousAt = 0;
    LzwCodeSpace space(8);
    int previous = -1;
    while (at < size) {
        const int code = reader.Read(space.Width());
        const int next = space.Next();
        if (code < 0 || code > next || code == end)
            break;
        if (code == clear) {
            space.Clear();
            previous = -1;
            continue;
        }
        if (code < clear) {
            base[at] = std::uint8_t(code);
            if (previous < 0) {
                previousAt = at++;
                previous = code;
                continue;
            }
        } else if (previous < 0) {
            break; // nothing defined to refer to yet
        } else {
            // A code equal to `next` is the previous string followed by its own first pixel.
            const bool repeat = code == next;
            const std::size_t from = repeat ? previousAt : start[code];
            const std::size_t count = repeat ? length[previous] : length[code];
            const std::size_t room = size - at;
            const std::uint8_t* src = base + from;
            std::uint8_t* dst = base + at;
            if (count <= 8 && count + (repeat ? 1 : 0) <= room) {
                for (std::size_t i = 0; i < count; ++i)
                    dst[i] = src[i];
            } else {
                std::memcpy(dst, src, std::min(count, room));
            }
            if (repeat && count < room)
                dst[count] = base[previousAt];
            if (count + (repeat ? 1 : 0) >= room) {
                at = size;
                break;
            }
        }
        if (!space.Full()) {
            start[next] = previousAt;
            length[next] = std::uint16_t(length[previous] + 1);
            space.Added();
        }
        previousAt = at;
        at += code < clear ? 1 : length[code];
        previous = code;
    }
    return at;
}

// Bytes past the pixels that lzwDecodeZeroed may write (and clears again).
constexpr std::size_t LzwSlack = 16;

// lzwDecodeBytes for a buffer that is all zero with LzwSlack spare bytes at its end: every
// string, single pixels included, is copied 8 or 16 bytes at a time from where it is kept
// (the output, or a table of the 256 single pixels), and what the copies wrote past the last
// pixel is cleared at the end. Fewer branches a code than copying exact lengths.
std::size_t lzwDecodeZeroed(std::span<const std::uint8_t> codes, std::span<std::uint8_t> out) {
    static const auto roots = [] {
        std::array<std::uint8_t, 256 + LzwSlack> r{};
        for (int i = 0; i < 256; ++i)
            r[std::size_t(i)] = std::uint8_t(i);
        return r;
    }();
    constexpr int clear = 256;
    constexpr int end = clear + 1;
    const std::uint8_t* from[MaxCodes];
    std::uint16_t length[MaxCodes];
    for (int i = 0; i < clear; ++i) {
        from[i] = roots.data() + i;
        length[i] = 1;
    }
    std::uint8_t* const base = out.data();
    const std::size_t size = out.size() - LzwSlack;
    auto copy8 = [](std::uint8_t* dst, const std::uint8_t* src) {
        std::uint64_t v;
        std::memcpy(&v, src, 8);
        std::memcpy(dst, &v, 8);
    };
    CodeReader reader(codes);
    std::size_t at = 0;
    std::size_t previousAt = 0;
    LzwCodeSpace space(8);
    int previous = -1;
    while (at < size) {
        const int code = reader.Read(space.Width());
        const int next = space.Next();
        if (code < 0 || code > next || code == end)
            break;
        if (code == clear) {
            space.Clear();
            previous = -1;
            continue;
        }
        std::uint8_t* dst = base + at;
        std::size_t count;
        if (previous < 0) {
            if (code >= clear)
                break; // nothing defined to refer to yet
            *dst = std::uint8_t(code);
            previousAt = at++;
            previous = code;
            continue;
        }
        if (code != next) {
            count = length[code];
            const std::uint8_t* src = from[code];
            if (count > size - at) {
                std::memcpy(dst, src, size - at);
                at = size;
                break;
            }
            // The string ends before dst, so 8 bytes loaded before they are stored are right
            // for its first 8 pixels; past `count` the copy writes bytes later strings replace.
            copy8(dst, src);
            if (count > 8) {
                if (count <= 16)
                    copy8(dst + 8, src + 8);
                else
                    std::memcpy(dst, src, count);
            }
        } else {
            // The previous string followed by its own first pixel.
            count = std::size_t(length[previous]) + 1;
            const std::uint8_t* src = base + previousAt;
            if (count > size - at) {
                std::memcpy(dst, src, std::min(count - 1, size - at));
                if (count - 1 < size - at)
                    dst[count - 1] = *src;
                at = size;
                break;
            }
            std::memcpy(dst, src, count - 1);
            dst[count - 1] = *src;
        }
        if (!space.Full()) {
            from[next] = base + previousAt;
            length[next] = std::uint16_t(length[previous] + 1);
            space.Added();
        }
        previousAt = at;
        at += count;
        previous = code;
    }
    std::memset(base + at, 0, std::min(LzwSlack, out.size() - at));
    return at;
}

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
        CropSink sink(image, kept.width, kept.height, kept.pixels);
        lzwDecodeInto(image.bitsPerPixel, codes, sink);
    } else if (image.bitsPerPixel == 8) {
        kept.pixels.resize(kept.BufferSize() + LzwSlack, 0);
        lzwDecodeZeroed(codes, kept.pixels);
        kept.pixels.resize(kept.BufferSize());
    } else {
        LzwDecode(image.bitsPerPixel, codes, kept.pixels);
    }
    gif.images.push_back(std::move(kept));
    return true;
}

} // namespace

std::size_t LzwDecode(int minCodeSize, std::span<const std::uint8_t> codes,
                      std::span<std::uint8_t> pixels) {
    if (minCodeSize < 1 || minCodeSize > 8)
        return 0;
    if (minCodeSize == 8)
        return lzwDecodeBytes(codes, pixels);
    PixelSink sink(pixels, minCodeSize);
    return lzwDecodeInto(minCodeSize, codes, sink);
}

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
