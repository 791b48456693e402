// The GIF reader's LZW decoding: a general loop for any pixel depth and for keeping only part
// of an image, and two tuned loops for 8-bit pixels that copy strings out of the output
// already written instead of unrolling them through the table.

#include <algorithm>
#include <array>
#include <cstring>

#include "codecs/GifLzw.h"
#include "codecs/GifReader.h"

namespace pixelon {

namespace {

constexpr int MaxCodes = 4096;

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

} // namespace

// Like lzwDecodeBytes, but every string, single pixels included, is copied 8 or 16 bytes at a
// time from where it is kept (the output, or a table of the 256 single pixels), and what the
// copies wrote past the last pixel is cleared at the end. Fewer branches a code than copying
// exact lengths.

std::size_t LzwDecodeZeroed(std::span<const std::uint8_t> codes, std::span<std::uint8_t> out) {
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

std::size_t LzwDecodeCropped(const GifImage& source, int width, int height,
                             std::span<const std::uint8_t> codes, std::span<std::uint8_t> out) {
    CropSink sink(source, width, height, out);
    return lzwDecodeInto(source.bitsPerPixel, codes, sink);
}

std::size_t LzwDecode(int minCodeSize, std::span<const std::uint8_t> codes,
                      std::span<std::uint8_t> pixels) {
    if (minCodeSize < 1 || minCodeSize > 8)
        return 0;
    if (minCodeSize == 8)
        return lzwDecodeBytes(codes, pixels);
    PixelSink sink(pixels, minCodeSize);
    return lzwDecodeInto(minCodeSize, codes, sink);
}

} // namespace pixelon
