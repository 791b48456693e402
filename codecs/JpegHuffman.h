#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace pixelon::jpeg {

// A Huffman table as a DHT segment carries it: code counts per length 1..16 (index 0 unused)
// and the symbols in code order.
struct HuffmanSpec {
    std::array<std::uint8_t, 17> bits{};
    std::vector<std::uint8_t> values;
};

// Codes and code lengths per symbol, for writing; length 0 marks a symbol without a code.
struct HuffmanEncodeTable {
    std::array<std::uint16_t, 256> code{};
    std::array<std::uint8_t, 256> size{};
};

// Lookup tables for reading.
struct HuffmanDecodeTable {
    static constexpr int FastBits = 9;
    // For every FastBits-bit prefix: code length << 8 | symbol, or 0 when the code is longer.
    std::array<std::uint16_t, 1 << FastBits> fast{};
    // For every FastBits-bit prefix that holds a whole AC code and the magnitude bits after it:
    // value << 16 | code length << 12 | run << 8 | code and magnitude length; 0 otherwise.
    std::array<std::int32_t, 1 << FastBits> fastAc{};
    std::array<std::int32_t, 18> maxCode{}; // largest code of each length, -1 for none
    std::array<std::int32_t, 17> valueOffset{};
    std::array<std::uint8_t, 256> values{};
    bool defined = false;
};

// The code length of every symbol (0 for absent ones) from symbol counts, by repeatedly
// merging the two least frequent entries, with one code point kept free so that no code is
// all 1 bits. Lengths are not limited; BuildHuffmanSpec does that.
std::vector<int> HuffmanCodeSizes(std::span<const std::uint32_t, 256> counts);

// Reduces counts per length (index = length, any maximum) to lengths of at most 16 bits by
// the T.81 Figure K.3 adjustment, then drops the reserved all-ones code point.
void LimitCodeLengths(std::vector<int>& bitsPerLength);

// An optimal length-limited table for the given symbol counts (T.81 Annex K.2).
HuffmanSpec BuildHuffmanSpec(std::span<const std::uint32_t, 256> counts);

HuffmanEncodeTable MakeEncodeTable(const HuffmanSpec& spec);

// False when the table does not describe a valid prefix code.
bool MakeDecodeTable(const HuffmanSpec& spec, HuffmanDecodeTable& table);

} // namespace pixelon::jpeg
