#include <algorithm>
#include <limits>

#include "codecs/Errors.h"
#include "codecs/JpegDecodeContext.h"
#include "codecs/JpegTables.h"

namespace pixelon::jpeg {
namespace {

// Reads entropy-coded bits, removing stuffed zero bytes. At a marker or the end of the data it
// supplies zero bits and remembers how many, so a truncated scan can stop cleanly.
class BitReader {
public:
    BitReader(std::span<const std::uint8_t> data, std::size_t pos) : m_data(data), m_pos(pos) {}

    std::size_t Position() const { return m_pos; }
    bool AtRestartMarker() const {
        return m_marker && m_pos + 1 < m_data.size() && m_data[m_pos + 1] >= 0xD0 &&
               m_data[m_pos + 1] <= 0xD7;
    }
    // True once every real bit has been consumed.
    bool Exhausted() const { return m_marker && m_count <= m_padBits; }

    void Fill() {
        if (!m_marker && m_count <= 56 && m_pos + 8 <= m_data.size()) {
            // Eight bytes without a 0xFF (no stuffing, no marker) go in at once, as many as fit.
            std::uint64_t word = 0;
            for (int i = 0; i < 8; ++i)
                word = word << 8 | m_data[m_pos + std::size_t(i)];
            if ((((~word) - 0x0101010101010101ull) & word & 0x8080808080808080ull) == 0) {
                const int bytes = (64 - m_count) / 8;
                const int count = m_count + 8 * bytes;
                const std::uint64_t keep = count >= 64 ? ~0ull : ~(~0ull >> count);
                m_buffer |= (word >> m_count) & keep;
                m_count = count;
                m_pos += std::size_t(bytes);
                return;
            }
        }
        while (m_count <= 56) {
            std::uint64_t byte = 0;
            if (!m_marker) {
                if (m_pos < m_data.size() && m_data[m_pos] != 0xFF) {
                    byte = m_data[m_pos++];
                } else if (m_pos + 1 < m_data.size() && m_data[m_pos + 1] == 0x00) {
                    byte = 0xFF;
                    m_pos += 2;
                } else {
                    m_marker = true;
                }
            }
            if (m_marker)
                m_padBits += 8;
            m_buffer |= byte << (56 - m_count);
            m_count += 8;
        }
    }

    int Bits(int n) {
        if (n == 0)
            return 0;
        if (m_count < n)
            Fill();
        int v = int(m_buffer >> (64 - n));
        Consume(n);
        return v;
    }
    int Bit() { return Bits(1); }

    // The next FastBits bits, for a lookup in a table's fastAc.
    unsigned PeekFast() {
        if (m_count < 16)
            Fill();
        return unsigned(m_buffer >> (64 - HuffmanDecodeTable::FastBits));
    }
    void Skip(int n) { Consume(n); }

    // A Huffman-coded symbol; a bit pattern that is no code reads as symbol 0.
    int Decode(const HuffmanDecodeTable& t) {
        if (m_count < 16)
            Fill();
        unsigned peek = unsigned(m_buffer >> (64 - HuffmanDecodeTable::FastBits));
        if (std::uint16_t f = t.fast[peek]) {
            Consume(f >> 8);
            return f & 0xFF;
        }
        std::int32_t code16 = std::int32_t(m_buffer >> 48);
        for (int len = HuffmanDecodeTable::FastBits + 1; len <= 16; ++len) {
            std::int32_t code = code16 >> (16 - len);
            if (code <= t.maxCode[std::size_t(len)]) {
                Consume(len);
                int index = code + t.valueOffset[std::size_t(len)];
                return t.values[std::size_t(std::clamp(index, 0, 255))];
            }
        }
        Consume(16);
        return 0;
    }

    // Signed value of an s-bit magnitude category (T.81 F.2.2.1 EXTEND).
    int Receive(int s) {
        if (s == 0)
            return 0;
        if (s > 16)
            s = 16;
        int v = Bits(s);
        return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
    }

    // Skips to just after the expected restart marker: drops buffered bits and resynchronises
    // on the next marker when the data before it is damaged.
    void Restart() {
        m_buffer = 0;
        m_count = 0;
        m_padBits = 0;
        m_marker = false;
        while (m_pos + 1 < m_data.size()) {
            if (m_data[m_pos] == 0xFF && m_data[m_pos + 1] != 0x00 && m_data[m_pos + 1] != 0xFF) {
                if (m_data[m_pos + 1] >= 0xD0 && m_data[m_pos + 1] <= 0xD7)
                    m_pos += 2;
                return;
            }
            ++m_pos;
        }
        m_pos = m_data.size();
    }

private:
    void Consume(int n) {
        m_buffer <<= n;
        m_count -= n;
    }

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos;
    std::uint64_t m_buffer = 0;
    int m_count = 0;
    int m_padBits = 0;
    bool m_marker = false;
};

std::int16_t clamp16(int v) {
    return std::int16_t(std::clamp(v, int(std::numeric_limits<std::int16_t>::min()),
                                   int(std::numeric_limits<std::int16_t>::max())));
}

class ScanDecoder {
public:
    ScanDecoder(DecodeContext& ctx, const ScanHeader& scan)
        : m_ctx(ctx), m_scan(scan), m_bits(ctx.data, ctx.pos) {}

    void Run() {
        const bool single = m_scan.components.size() == 1;
        FrameComponent& first = m_ctx.components[std::size_t(m_scan.components[0])];
        const int mcusWide = single ? first.usedWide : m_ctx.mcusWide;
        // Rows below the part output are not decoded: the data after them is passed over to
        // the next marker.
        const int mcusHigh =
            single ? std::min(first.usedHigh, m_ctx.mcusHighOut * first.v) : m_ctx.mcusHighOut;
        const long long total = (long long)mcusWide * mcusHigh;
        const int interval = m_ctx.restartInterval;
        ResetPredictions();
        bool skipping = false;
        for (long long m = 0; m < total; ++m) {
            if (interval > 0 && m > 0 && m % interval == 0) {
                m_bits.Restart();
                ResetPredictions();
                skipping = false;
            } else if (!skipping && m_eobRun == 0 && m_bits.Exhausted()) {
                // A restart interval cut short: go on with the next one if its marker follows.
                if (interval == 0 || !m_bits.AtRestartMarker())
                    break;
                skipping = true;
            }
            const int mx = int(m % mcusWide), my = int(m / mcusWide);
            if (skipping) {
                // Nothing to decode until the next restart marker.
            } else if (single) {
                DecodeBlock(first, first.Block(mx, my));
            } else {
                for (int ci : m_scan.components) {
                    FrameComponent& c = m_ctx.components[std::size_t(ci)];
                    for (int by = 0; by < c.v; ++by)
                        for (int bx = 0; bx < c.h; ++bx)
                            DecodeBlock(c, c.Block(mx * c.h + bx, my * c.v + by));
                }
            }
            if (m_ctx.streaming && mx == mcusWide - 1) {
                m_ctx.onMcuRow(my);
                m_ctx.rowsDone = my + 1;
            }
        }
        m_ctx.pos = m_bits.Position();
    }

private:
    void ResetPredictions() {
        for (int ci : m_scan.components)
            m_ctx.components[std::size_t(ci)].dcPred = 0;
        m_eobRun = 0;
    }

    void DecodeBlock(FrameComponent& c, std::int16_t* block) {
        if (!m_ctx.progressive)
            DecodeSequential(c, block);
        else if (m_scan.ss == 0)
            m_scan.ah == 0 ? DecodeDcFirst(c, block) : DecodeDcRefine(block);
        else
            m_scan.ah == 0 ? DecodeAcFirst(c, block) : DecodeAcRefine(c, block);
    }

    int NextDc(FrameComponent& c) {
        int s = m_bits.Decode(m_ctx.dcTables[std::size_t(c.dcTable)]);
        // Predictions stay bounded even when damaged data keeps adding differences.
        c.dcPred = std::clamp(c.dcPred + m_bits.Receive(s), -65535, 65535);
        return c.dcPred;
    }

    // T.81 F.2.2: a whole block, DC difference then run-length coded AC coefficients.
    void DecodeSequential(FrameComponent& c, std::int16_t* block) {
        block[0] = clamp16(NextDc(c));
        const HuffmanDecodeTable& ac = m_ctx.acTables[std::size_t(c.acTable)];
        for (int k = 1; k < 64;) {
            // Short codes with short magnitudes come out of one lookup; the bits taken are
            // the same as the code-then-magnitude path below would take.
            if (const std::int32_t e = ac.fastAc[m_bits.PeekFast()]) {
                k += (e >> 8) & 15;
                if (k > 63) {
                    m_bits.Skip((e >> 12) & 15);
                    break;
                }
                m_bits.Skip(e & 0xFF);
                block[ZigZag[std::size_t(k)]] = std::int16_t(e >> 16);
                ++k;
                continue;
            }
            int rs = m_bits.Decode(ac);
            int r = rs >> 4, s = rs & 15;
            if (s == 0) {
                if (r != 15)
                    break;
                k += 16;
                continue;
            }
            k += r;
            if (k > 63)
                break;
            block[ZigZag[std::size_t(k)]] = clamp16(m_bits.Receive(s));
            ++k;
        }
    }

    // T.81 G.1.2.1.
    void DecodeDcFirst(FrameComponent& c, std::int16_t* block) {
        block[0] = clamp16(NextDc(c) * (1 << m_scan.al));
    }
    void DecodeDcRefine(std::int16_t* block) {
        if (m_bits.Bit())
            block[0] = std::int16_t(block[0] | (1 << m_scan.al));
    }

    // T.81 G.1.2.2: first scan of a band, with end-of-band runs over many blocks.
    void DecodeAcFirst(FrameComponent& c, std::int16_t* block) {
        if (m_eobRun > 0) {
            --m_eobRun;
            return;
        }
        const HuffmanDecodeTable& ac = m_ctx.acTables[std::size_t(c.acTable)];
        for (int k = m_scan.ss; k <= m_scan.se;) {
            int rs = m_bits.Decode(ac);
            int r = rs >> 4, s = rs & 15;
            if (s == 0) {
                if (r < 15) {
                    m_eobRun = (1 << r) - 1 + m_bits.Bits(r);
                    break;
                }
                k += 16;
                continue;
            }
            k += r;
            if (k > m_scan.se)
                break;
            block[ZigZag[std::size_t(k)]] = clamp16(m_bits.Receive(s) * (1 << m_scan.al));
            ++k;
        }
    }

    // T.81 G.1.2.3: one more bit of every coefficient in the band; new coefficients are +-1.
    void DecodeAcRefine(FrameComponent& c, std::int16_t* block) {
        const int p1 = 1 << m_scan.al;
        const int m1 = -p1;
        const HuffmanDecodeTable& ac = m_ctx.acTables[std::size_t(c.acTable)];
        int k = m_scan.ss;
        if (m_eobRun == 0) {
            for (; k <= m_scan.se; ++k) {
                int rs = m_bits.Decode(ac);
                int r = rs >> 4, s = rs & 15;
                int value = 0;
                if (s != 0) {
                    value = m_bits.Bit() ? p1 : m1;
                } else if (r != 15) {
                    m_eobRun = (1 << r) + m_bits.Bits(r);
                    break;
                }
                for (; k <= m_scan.se; ++k) {
                    std::int16_t& coef = block[ZigZag[std::size_t(k)]];
                    if (coef != 0) {
                        Refine(coef, p1, m1);
                    } else if (--r < 0) {
                        break;
                    }
                }
                if (value != 0 && k <= m_scan.se)
                    block[ZigZag[std::size_t(k)]] = std::int16_t(value);
            }
        }
        if (m_eobRun > 0) {
            for (; k <= m_scan.se; ++k) {
                std::int16_t& coef = block[ZigZag[std::size_t(k)]];
                if (coef != 0)
                    Refine(coef, p1, m1);
            }
            --m_eobRun;
        }
    }

    void Refine(std::int16_t& coef, int p1, int m1) {
        if (m_bits.Bit() && (coef & p1) == 0)
            coef = clamp16(coef + (coef >= 0 ? p1 : m1));
    }

    DecodeContext& m_ctx;
    const ScanHeader& m_scan;
    BitReader m_bits;
    int m_eobRun = 0;
};

} // namespace

void DecodeScan(DecodeContext& ctx, const ScanHeader& scan) {
    ScanDecoder(ctx, scan).Run();
}

} // namespace pixelon::jpeg
