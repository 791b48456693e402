#include "codecs/JpegEncoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "codecs/Errors.h"
#include "codecs/JpegDct.h"
#include "codecs/JpegHuffman.h"
#include "codecs/JpegKernels.h"
#include "codecs/JpegTables.h"

namespace pixelon::jpeg {
namespace {

// Collects output bytes and hands them on 4096 at a time.
class ByteWriter {
public:
    explicit ByteWriter(const ByteSink& sink) : m_sink(sink) {}
    ~ByteWriter() = default;

    void Byte(int b) {
        m_buffer[m_used++] = std::uint8_t(b);
        if (m_used == m_buffer.size())
            Flush();
    }
    void Word(int w) {
        Byte(w >> 8);
        Byte(w & 0xFF);
    }
    void Word32(std::uint32_t w) {
        if (m_used + 4 > m_buffer.size()) {
            for (int shift = 24; shift >= 0; shift -= 8)
                Byte(int(w >> shift) & 0xFF);
            return;
        }
        m_buffer[m_used] = std::uint8_t(w >> 24);
        m_buffer[m_used + 1] = std::uint8_t(w >> 16);
        m_buffer[m_used + 2] = std::uint8_t(w >> 8);
        m_buffer[m_used + 3] = std::uint8_t(w);
        m_used += 4;
        if (m_used == m_buffer.size())
            Flush();
    }
    void Marker(int code) {
        Byte(0xFF);
        Byte(code);
    }
    void Flush() {
        if (m_used > 0)
            m_sink(std::span<const std::uint8_t>(m_buffer.data(), m_used));
        m_used = 0;
    }

private:
    const ByteSink& m_sink;
    std::array<std::uint8_t, 4096> m_buffer{};
    std::size_t m_used = 0;
};

// Entropy-coded output with a zero byte stuffed after every 0xFF.
class BitWriter {
public:
    explicit BitWriter(ByteWriter& out) : m_out(out) {}

    // Bits leave 32 at a time; codes and values are at most 16 bits, so 48 fit in m_acc.
    // `size` is at most 27 (a code with its magnitude bits).
    void Put(std::uint32_t code, int size) {
        m_acc = (m_acc << size) | (code & ((1u << size) - 1));
        m_count += size;
        if (m_count >= 32) {
            m_count -= 32;
            const std::uint32_t word = std::uint32_t(m_acc >> m_count);
            // Without a 0xFF byte (a zero byte in ~word) nothing is stuffed: four bytes at once.
            if (((~word - 0x01010101u) & word & 0x80808080u) == 0) {
                m_out.Word32(word);
                return;
            }
            for (int shift = 24; shift >= 0; shift -= 8)
                Emit(int(word >> shift) & 0xFF);
        }
    }
    // Pads the last byte with 1 bits and writes out what is left.
    void Align() {
        if (int pad = (8 - m_count % 8) % 8) {
            m_acc = (m_acc << pad) | ((1u << pad) - 1);
            m_count += pad;
        }
        while (m_count >= 8) {
            m_count -= 8;
            Emit(int(m_acc >> m_count) & 0xFF);
        }
    }

private:
    void Emit(int b) {
        m_out.Byte(b);
        if (b == 0xFF)
            m_out.Byte(0);
    }

    ByteWriter& m_out;
    std::uint64_t m_acc = 0;
    int m_count = 0;
};

// One component's quantised coefficients, zig-zag order, blocks in raster order.
struct Plane {
    int h = 1;
    int v = 1;
    int table = 0; // quantisation and Huffman table number
    int blocksWide = 0;
    int blocksHigh = 0;
    std::vector<std::int16_t> coef;
    const std::int16_t* Block(int bx, int by) const {
        return coef.data() + (std::size_t(by) * std::size_t(blocksWide) + std::size_t(bx)) * 64;
    }
};

int magnitude(int v) {
    return int(std::bit_width(unsigned(v < 0 ? -v : v)));
}

// Level-shifted samples of one strip of image rows (one MCU row), as planes of Y (or grey),
// Cb and Cr padded to `padW` by repeating the last column; rows past the image repeat its
// last row.
void sampleStrip(const JpegKernels& kernels, const CImageBuffer& buffer, int top, int rows,
                 int padW, std::vector<std::vector<float>>& planes) {
    const int w = buffer.Width(), h = buffer.Height(), n = buffer.SamplesPerPixel();
    const bool fromRgb = buffer.Channels() == RgbChannels;
    for (int j = 0; j < rows; ++j) {
        const std::uint8_t* __restrict src = buffer.Row(std::min(top + j, h - 1)).data();
        const std::size_t at = std::size_t(j) * std::size_t(padW);
        if (fromRgb) {
            kernels.rgbToYccRow(src, w, planes[0].data() + at, planes[1].data() + at,
                                planes[2].data() + at);
        } else {
            for (int c = 0; c < n; ++c) {
                float* __restrict p = planes[std::size_t(c)].data() + at;
                for (int x = 0; x < w; ++x)
                    p[x] = float(src[x * n + c]) - 128.0f;
            }
        }
        for (auto& plane : planes)
            std::fill(plane.data() + at + w, plane.data() + at + padW,
                      plane[at + std::size_t(w) - 1]);
    }
}

// Averages 2 x 2 samples of a strip of `padW` x 16 into `padW / 2` x 8.
void halve(const JpegKernels& kernels, const std::vector<float>& full, int padW,
           std::vector<float>& out) {
    const int w = padW / 2;
    for (int y = 0; y < 8; ++y) {
        const float* a = full.data() + std::size_t(2 * y) * std::size_t(padW);
        kernels.halveRow(a, a + padW, w, out.data() + std::size_t(y) * std::size_t(w));
    }
}

// Divisors folding the AAN scale factors into a quantisation table, as reciprocals.
std::array<float, 64> reciprocals(const std::array<std::uint16_t, 64>& quant) {
    std::array<float, 64> r;
    for (int i = 0; i < 64; ++i)
        r[std::size_t(i)] = float(1.0 / (quant[std::size_t(i)] * AanScale[std::size_t(i / 8)] *
                                         AanScale[std::size_t(i % 8)] * 8.0));
    return r;
}

// Forward DCT and quantisation of one row of blocks (8 sample rows of `width`).
void transformRow(const JpegKernels& kernels, const float* samples, int width,
                  const std::array<float, 64>& reciprocal, Plane& p, int blockRow) {
    for (int bx = 0; bx < p.blocksWide; ++bx) {
        std::int16_t* out =
            p.coef.data() +
            (std::size_t(blockRow) * std::size_t(p.blocksWide) + std::size_t(bx)) * 64;
        kernels.forwardDctQuantise(samples + std::size_t(bx) * 8, std::size_t(width),
                                   reciprocal.data(), out);
    }
}

Plane makePlane(int blocksWide, int blocksHigh, int sampling, int table) {
    Plane p;
    p.h = p.v = sampling;
    p.table = table;
    p.blocksWide = blocksWide;
    p.blocksHigh = blocksHigh;
    p.coef.resize(std::size_t(blocksWide) * std::size_t(blocksHigh) * 64);
    return p;
}

// Samples, transforms and quantises the whole image, one MCU row at a time.
std::vector<Plane> transformImage(const CImageBuffer& buffer, bool grey, int mcusWide, int mcusHigh,
                                  const std::array<std::uint16_t, 64> (&quant)[2],
                                  const std::function<void(int)>& report) {
    const int mcuSize = grey ? 8 : 16;
    const int padW = mcusWide * mcuSize;
    std::vector<Plane> planes;
    planes.push_back(makePlane(padW / 8, mcusHigh * mcuSize / 8, grey ? 1 : 2, 0));
    if (!grey)
        for (int c = 0; c < 2; ++c)
            planes.push_back(makePlane(mcusWide, mcusHigh, 1, 1));
    const std::array<float, 64> lumaDivisors = reciprocals(quant[0]);
    const std::array<float, 64> chromaDivisors = reciprocals(quant[1]);
    std::vector<std::vector<float>> strip(
        grey ? 1 : 3, std::vector<float>(std::size_t(padW) * std::size_t(mcuSize)));
    std::vector<float> half(std::size_t(padW / 2) * 8);
    const JpegKernels& kernels = ActiveJpegKernels();
    for (int my = 0; my < mcusHigh; ++my) {
        sampleStrip(kernels, buffer, my * mcuSize, mcuSize, padW, strip);
        for (int band = 0; band < mcuSize / 8; ++band)
            transformRow(kernels, strip[0].data() + std::size_t(band) * 8 * std::size_t(padW), padW,
                         lumaDivisors, planes[0], my * (mcuSize / 8) + band);
        for (std::size_t c = 1; c < planes.size(); ++c) {
            halve(kernels, strip[c], padW, half);
            transformRow(kernels, half.data(), padW / 2, chromaDivisors, planes[c], my);
        }
        if (my % 16 == 0)
            report(70 * my / mcusHigh);
    }
    return planes;
}

struct Tables {
    HuffmanSpec dcSpec[2], acSpec[2];
    HuffmanEncodeTable dc[2], ac[2];
};

// Walks the blocks in MCU order, restart by restart, handing each to `visit` with its DC
// difference. `restart` is called between intervals.
template <class Visit, class Restart>
void forEachBlock(const std::vector<Plane>& planes, int mcusWide, int mcusHigh, int interval,
                  Visit visit, Restart restart) {
    std::array<int, 3> pred{};
    long long mcu = 0;
    for (int my = 0; my < mcusHigh; ++my) {
        for (int mx = 0; mx < mcusWide; ++mx, ++mcu) {
            if (interval > 0 && mcu > 0 && mcu % interval == 0) {
                pred = {};
                restart(int((mcu / interval - 1) & 7));
            }
            for (std::size_t c = 0; c < planes.size(); ++c) {
                const Plane& p = planes[c];
                for (int by = 0; by < p.v; ++by)
                    for (int bx = 0; bx < p.h; ++bx) {
                        const std::int16_t* block = p.Block(mx * p.h + bx, my * p.v + by);
                        visit(p.table, block, block[0] - pred[c]);
                        pred[c] = block[0];
                    }
            }
        }
    }
}

// Bit k is set for every non-zero AC coefficient k, so the coders visit only those.
std::uint64_t nonZeroMask(const std::int16_t* block) {
    // Eight coefficients at a time: their non-zero flags as bytes of 0 or 1, gathered into
    // the top byte by one multiplication.
    std::uint64_t mask = 0;
    for (int group = 0; group < 8; ++group) {
        std::uint64_t flags = 0;
        for (int i = 0; i < 8; ++i)
            flags |= std::uint64_t(block[group * 8 + i] != 0) << (8 * i);
        mask |= ((flags * 0x0102040810204080ull) >> 56) << (8 * group);
    }
    return mask & ~std::uint64_t(1);
}

void countBlock(std::array<std::uint32_t, 256>& dc, std::array<std::uint32_t, 256>& ac,
                const std::int16_t* block, int diff) {
    ++dc[std::size_t(magnitude(diff))];
    int last = 0;
    for (std::uint64_t mask = nonZeroMask(block); mask; mask &= mask - 1) {
        const int k = std::countr_zero(mask);
        int run = k - last - 1;
        for (; run > 15; run -= 16)
            ++ac[0xF0];
        ++ac[std::size_t(run << 4 | magnitude(block[k]))];
        last = k;
    }
    if (last < 63)
        ++ac[0];
}

void encodeBlock(BitWriter& bits, const HuffmanEncodeTable& dc, const HuffmanEncodeTable& ac,
                 const std::int16_t* block, int diff) {
    // Each code goes out together with the magnitude bits after it.
    const int s = magnitude(diff);
    const std::uint32_t dcBits = std::uint32_t(diff < 0 ? diff - 1 : diff) & ((1u << s) - 1);
    bits.Put(std::uint32_t(dc.code[std::size_t(s)]) << s | dcBits, dc.size[std::size_t(s)] + s);
    int last = 0;
    for (std::uint64_t mask = nonZeroMask(block); mask; mask &= mask - 1) {
        const int k = std::countr_zero(mask);
        const int v = block[k];
        int run = k - last - 1;
        for (; run > 15; run -= 16)
            bits.Put(ac.code[0xF0], ac.size[0xF0]);
        const int m = magnitude(v);
        const std::size_t symbol = std::size_t(run << 4 | m);
        const std::uint32_t valueBits = std::uint32_t(v < 0 ? v - 1 : v) & ((1u << m) - 1);
        bits.Put(std::uint32_t(ac.code[symbol]) << m | valueBits, ac.size[symbol] + m);
        last = k;
    }
    if (last < 63)
        bits.Put(ac.code[0], ac.size[0]);
}

void writeHuffman(ByteWriter& out, int tableClass, int id, const HuffmanSpec& spec) {
    out.Byte(tableClass << 4 | id);
    for (int len = 1; len <= 16; ++len)
        out.Byte(spec.bits[std::size_t(len)]);
    for (std::uint8_t v : spec.values)
        out.Byte(v);
}

int densityValue(double dotsPerMillimetre) {
    return int(std::clamp(std::lround(dotsPerMillimetre * 10.0), 1L, 65535L));
}

} // namespace

std::array<std::uint16_t, 64> ScaledQuantTable(std::span<const std::uint16_t, 64> table,
                                               std::uint16_t parameter) {
    std::array<std::uint16_t, 64> out;
    for (std::size_t i = 0; i < 64; ++i)
        out[i] = std::uint16_t(std::clamp(int(table[i]) * int(parameter) / 256, 1, 255));
    return out;
}

void EncodeJpeg(const CImageObject& image, const EncodeOptions& options, const ByteSink& sink,
                const std::function<void(int)>& progress) {
    const CImageBuffer* buffer = image.GetBuffer();
    if (!buffer)
        throw EFatalError("JPEG: no image to write");
    const std::function<void(int)> report = [&](int percent) {
        if (progress)
            progress(percent);
    };
    const bool grey = buffer->Channels() == LuminanceChannels;
    const int width = buffer->Width(), height = buffer->Height();
    const int mcuSize = grey ? 8 : 16;
    const int mcusWide = (width + mcuSize - 1) / mcuSize;
    const int mcusHigh = (height + mcuSize - 1) / mcuSize;

    const std::array<std::uint16_t, 64> quant[2] = {
        ScaledQuantTable(LuminanceQuant, options.qualityParameter),
        ScaledQuantTable(ChrominanceQuant, options.qualityParameter)};

    std::vector<Plane> planes = transformImage(*buffer, grey, mcusWide, mcusHigh, quant, report);
    report(70);

    // First pass: symbol statistics per table, in the order the blocks will be written.
    std::array<std::uint32_t, 256> dcCount[2] = {}, acCount[2] = {};
    forEachBlock(
        planes, mcusWide, mcusHigh, options.restartInterval,
        [&](int t, const std::int16_t* block, int diff) {
            countBlock(dcCount[t], acCount[t], block, diff);
        },
        [](int) {});
    report(80);
    Tables tables;
    const int tableCount = grey ? 1 : 2;
    for (int t = 0; t < tableCount; ++t) {
        tables.dcSpec[t] = BuildHuffmanSpec(dcCount[t]);
        tables.acSpec[t] = BuildHuffmanSpec(acCount[t]);
        tables.dc[t] = MakeEncodeTable(tables.dcSpec[t]);
        tables.ac[t] = MakeEncodeTable(tables.acSpec[t]);
    }
    report(85);

    ByteWriter out(sink);
    out.Marker(0xD8);
    // JFIF APP0: version 1.02, densities in dots per centimetre, no thumbnail.
    out.Marker(0xE0);
    out.Word(16);
    for (char c : std::string_view("JFIF\0", 5))
        out.Byte(c);
    out.Byte(1);
    out.Byte(2);
    out.Byte(2);
    out.Word(densityValue(options.xDensity));
    out.Word(densityValue(options.yDensity));
    out.Byte(0);
    out.Byte(0);

    out.Marker(0xC0);
    out.Word(8 + 3 * int(planes.size()));
    out.Byte(8);
    out.Word(height);
    out.Word(width);
    out.Byte(int(planes.size()));
    for (std::size_t c = 0; c < planes.size(); ++c) {
        out.Byte(int(c) + 1);
        out.Byte(planes[c].h << 4 | planes[c].v);
        out.Byte(planes[c].table);
    }
    out.Marker(0xDB);
    out.Word(2 + 65 * tableCount);
    for (int t = 0; t < tableCount; ++t) {
        out.Byte(t);
        for (int k = 0; k < 64; ++k)
            out.Byte(quant[t][ZigZag[std::size_t(k)]]);
    }
    out.Marker(0xC4);
    int dhtLength = 2;
    for (int t = 0; t < tableCount; ++t)
        dhtLength += 34 + int(tables.dcSpec[t].values.size() + tables.acSpec[t].values.size());
    out.Word(dhtLength);
    for (int t = 0; t < tableCount; ++t) {
        writeHuffman(out, 0, t, tables.dcSpec[t]);
        writeHuffman(out, 1, t, tables.acSpec[t]);
    }
    if (options.restartInterval > 0) {
        out.Marker(0xDD);
        out.Word(4);
        out.Word(options.restartInterval);
    }
    out.Marker(0xDA);
    out.Word(6 + 2 * int(planes.size()));
    out.Byte(int(planes.size()));
    for (std::size_t c = 0; c < planes.size(); ++c) {
        out.Byte(int(c) + 1);
        out.Byte(planes[c].table << 4 | planes[c].table);
    }
    out.Byte(0);
    out.Byte(63);
    out.Byte(0);

    BitWriter bits(out);
    long long blocksDone = 0;
    const long long blocksTotal = (long long)mcusWide * mcusHigh * (grey ? 1 : 6);
    forEachBlock(
        planes, mcusWide, mcusHigh, options.restartInterval,
        [&](int t, const std::int16_t* block, int diff) {
            encodeBlock(bits, tables.dc[t], tables.ac[t], block, diff);
            if (++blocksDone % 4096 == 0)
                report(85 + int(15 * blocksDone / blocksTotal));
        },
        [&](int n) {
            bits.Align();
            out.Marker(0xD0 + n);
        });
    bits.Align();
    out.Marker(0xD9);
    out.Flush();
    report(100);
}

std::vector<std::uint8_t> EncodeJpegToMemory(const CImageObject& image,
                                             const EncodeOptions& options) {
    std::vector<std::uint8_t> bytes;
    EncodeJpeg(image, options, [&](std::span<const std::uint8_t> piece) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    });
    return bytes;
}

} // namespace pixelon::jpeg
