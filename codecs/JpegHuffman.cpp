#include "codecs/JpegHuffman.h"

#include <algorithm>
#include <numeric>

namespace pixelon::jpeg {

// T.81 Figure K.1: merge the two least frequent entries until one is left, lengthening the
// codes of every symbol in both chains. Symbol 256 stands for the reserved code point.
std::vector<int> HuffmanCodeSizes(std::span<const std::uint32_t, 256> counts) {
    constexpr int Symbols = 257;
    std::array<std::uint64_t, Symbols> freq{};
    std::array<int, Symbols> size{};
    std::array<int, Symbols> others;
    others.fill(-1);
    for (int i = 0; i < 256; ++i)
        freq[i] = counts[i];
    freq[256] = 1;
    constexpr std::uint64_t Absent = 0;
    for (;;) {
        int v1 = -1, v2 = -1;
        // The least frequent entry, the highest symbol winning a tie so the reserved point
        // ends up among the longest codes.
        for (int i = 0; i < Symbols; ++i)
            if (freq[i] != Absent && (v1 < 0 || freq[i] <= freq[v1]))
                v1 = i;
        for (int i = 0; i < Symbols; ++i)
            if (freq[i] != Absent && i != v1 && (v2 < 0 || freq[i] <= freq[v2]))
                v2 = i;
        if (v2 < 0)
            break;
        freq[v1] += freq[v2];
        freq[v2] = Absent;
        for (;;) {
            ++size[v1];
            if (others[v1] < 0)
                break;
            v1 = others[v1];
        }
        others[v1] = v2;
        for (;;) {
            ++size[v2];
            if (others[v2] < 0)
                break;
            v2 = others[v2];
        }
    }
    return {size.begin(), size.end()};
}

// T.81 Figure K.3.
void LimitCodeLengths(std::vector<int>& bits) {
    if (bits.size() < 17)
        bits.resize(17);
    for (std::size_t i = bits.size() - 1; i > 16; --i) {
        while (bits[i] > 0) {
            std::size_t j = i - 2;
            while (bits[j] == 0)
                --j;
            bits[i] -= 2;
            bits[i - 1] += 1;
            bits[j + 1] += 2;
            bits[j] -= 1;
        }
    }
    std::size_t i = 16;
    while (i > 0 && bits[i] == 0)
        --i;
    if (i > 0)
        bits[i] -= 1;
    bits.resize(17);
}

HuffmanSpec BuildHuffmanSpec(std::span<const std::uint32_t, 256> counts) {
    std::vector<int> sizes = HuffmanCodeSizes(counts);
    int longest = *std::max_element(sizes.begin(), sizes.end());
    std::vector<int> bits(std::size_t(std::max(longest, 16)) + 1);
    for (int s : sizes)
        if (s > 0)
            ++bits[std::size_t(s)];
    LimitCodeLengths(bits);

    // T.81 Figure K.4: symbols by code size, then by value; the adjusted counts are handed
    // out in that order, so the longest codes move up to the lengths that were freed.
    std::vector<int> order;
    for (int s = 0; s < 256; ++s)
        if (sizes[std::size_t(s)] > 0)
            order.push_back(s);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sizes[std::size_t(a)] < sizes[std::size_t(b)]; });
    HuffmanSpec spec;
    for (int len = 1; len <= 16; ++len)
        spec.bits[std::size_t(len)] = std::uint8_t(bits[std::size_t(len)]);
    for (int s : order)
        spec.values.push_back(std::uint8_t(s));
    return spec;
}

HuffmanEncodeTable MakeEncodeTable(const HuffmanSpec& spec) {
    HuffmanEncodeTable table;
    std::uint32_t code = 0;
    std::size_t k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int n = 0; n < spec.bits[std::size_t(len)] && k < spec.values.size(); ++n, ++k) {
            table.code[spec.values[k]] = std::uint16_t(code++);
            table.size[spec.values[k]] = std::uint8_t(len);
        }
        code <<= 1;
    }
    return table;
}

bool MakeDecodeTable(const HuffmanSpec& spec, HuffmanDecodeTable& table) {
    table = HuffmanDecodeTable{};
    int total = std::accumulate(spec.bits.begin() + 1, spec.bits.end(), 0);
    if (total > 256 || std::size_t(total) > spec.values.size())
        return false;
    std::copy(spec.values.begin(), spec.values.begin() + total, table.values.begin());
    std::int32_t code = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
        int n = spec.bits[std::size_t(len)];
        table.valueOffset[std::size_t(len)] = k - code;
        if (n > 0) {
            code += n;
            // Codes of this length must fit in `len` bits.
            if (code > (1 << len))
                return false;
            table.maxCode[std::size_t(len)] = code - 1;
            if (len <= HuffmanDecodeTable::FastBits) {
                int shift = HuffmanDecodeTable::FastBits - len;
                for (std::int32_t c = code - n; c < code; ++c, ++k)
                    for (int fill = 0; fill < (1 << shift); ++fill)
                        table.fast[std::size_t((c << shift) | fill)] =
                            std::uint16_t(len << 8 | table.values[std::size_t(k)]);
            } else {
                k += n;
            }
        } else {
            table.maxCode[std::size_t(len)] = -1;
        }
        code <<= 1;
    }
    table.maxCode[17] = 0x7FFFFFFF; // sentinel: stops the slow search
    constexpr int fastBits = HuffmanDecodeTable::FastBits;
    for (int peek = 0; peek < (1 << fastBits); ++peek) {
        const int f = table.fast[std::size_t(peek)];
        const int len = f >> 8, run = (f >> 4) & 15, size = f & 15;
        if (f == 0 || size == 0 || len + size > fastBits)
            continue;
        const int bits = (peek >> (fastBits - len - size)) & ((1 << size) - 1);
        const int value = bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
        table.fastAc[std::size_t(peek)] = value * 65536 + (len << 12) + (run << 8) + len + size;
    }
    table.defined = true;
    return true;
}

} // namespace pixelon::jpeg
