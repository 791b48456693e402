#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

#include "codecs/JpegDct.h"
#include "codecs/JpegHuffman.h"
#include "codecs/JpegTables.h"

namespace pixelon::jpeg {
namespace {

// Counts growing by a factor of 3: every merge joins the next symbol to the tree built so far,
// so the unlimited code is as deep as there are symbols.
std::array<std::uint32_t, 256> skewedCounts(int symbols) {
    std::array<std::uint32_t, 256> counts{};
    std::uint32_t c = 1;
    for (int i = 0; i < symbols; ++i, c *= 3)
        counts[std::size_t(i)] = c;
    return counts;
}

// Sum of 2^-length over all codes, in units of 2^-16.
long kraftSum(const HuffmanSpec& spec) {
    long sum = 0;
    for (int len = 1; len <= 16; ++len)
        sum += long(spec.bits[std::size_t(len)]) << (16 - len);
    return sum;
}

void expectValidTable(const HuffmanSpec& spec, const std::array<std::uint32_t, 256>& counts) {
    int used = 0;
    for (std::uint32_t c : counts)
        used += c > 0;
    EXPECT_EQ(std::accumulate(spec.bits.begin(), spec.bits.end(), 0), used);
    EXPECT_EQ(int(spec.values.size()), used);
    // A prefix code that leaves the all-ones code point free.
    EXPECT_LT(kraftSum(spec), 1L << 16);
    HuffmanEncodeTable enc = MakeEncodeTable(spec);
    for (int s = 0; s < 256; ++s) {
        EXPECT_EQ(enc.size[std::size_t(s)] > 0, counts[std::size_t(s)] > 0) << s;
        if (enc.size[std::size_t(s)] > 0) {
            EXPECT_NE(enc.code[std::size_t(s)], (1u << enc.size[std::size_t(s)]) - 1) << s;
        }
    }
    // More frequent symbols never get longer codes.
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            if (counts[std::size_t(a)] > counts[std::size_t(b)] && counts[std::size_t(b)] > 0) {
                EXPECT_LE(enc.size[std::size_t(a)], enc.size[std::size_t(b)]) << a << " " << b;
            }
    HuffmanDecodeTable dec;
    EXPECT_TRUE(MakeDecodeTable(spec, dec));
}

TEST(JpegHuffman, SkewedCountsAreLimitedToSixteenBits) {
    const auto counts = skewedCounts(20);
    std::vector<int> sizes = HuffmanCodeSizes(counts);
    EXPECT_GT(*std::max_element(sizes.begin(), sizes.end()), 16); // the unlimited code is too long
    HuffmanSpec spec = BuildHuffmanSpec(counts);
    expectValidTable(spec, counts);
    EXPECT_GT(spec.bits[16], 0);
}

TEST(JpegHuffman, LengthAdjustmentMovesCodesUp) {
    // Counts per length from a code with lengths up to 20, the reserved point included.
    std::vector<int> bits(21);
    bits[1] = 1;
    for (int len = 2; len <= 19; ++len)
        bits[std::size_t(len)] = 1;
    bits[20] = 2;
    LimitCodeLengths(bits);
    ASSERT_EQ(bits.size(), 17u);
    long kraft = 0;
    int codes = 0;
    for (int len = 1; len <= 16; ++len) {
        kraft += long(bits[std::size_t(len)]) << (16 - len);
        codes += bits[std::size_t(len)];
    }
    EXPECT_EQ(codes, 20); // 21 code points less the reserved one
    EXPECT_LT(kraft, 1L << 16);
}

TEST(JpegHuffman, OrdinaryTables) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::array<std::uint32_t, 256> counts{};
        int symbols = 1 + int(rng() % 256);
        for (int i = 0; i < symbols; ++i)
            counts[rng() % 256] = 1 + rng() % 100000;
        expectValidTable(BuildHuffmanSpec(counts), counts);
    }
    // A single symbol still gets a code of its own.
    std::array<std::uint32_t, 256> one{};
    one[0] = 500;
    HuffmanSpec spec = BuildHuffmanSpec(one);
    EXPECT_EQ(spec.bits[1], 1);
    expectValidTable(spec, one);
}

TEST(JpegHuffman, DecodeTableRejectsOverfullCodes) {
    HuffmanSpec spec;
    spec.bits[1] = 3;
    spec.values = {1, 2, 3};
    HuffmanDecodeTable table;
    EXPECT_FALSE(MakeDecodeTable(spec, table));
    spec.bits[1] = 2;
    spec.values = {1, 2};
    EXPECT_TRUE(MakeDecodeTable(spec, table));
    spec.bits[1] = 2;
    spec.values = {1}; // fewer symbols than codes
    EXPECT_FALSE(MakeDecodeTable(spec, table));
}

TEST(JpegHuffman, StandardTablesAreValid) {
    HuffmanSpec spec;
    std::copy(AcLuminanceBits.begin(), AcLuminanceBits.end(), spec.bits.begin());
    spec.values.assign(AcLuminanceValues.begin(), AcLuminanceValues.end());
    HuffmanDecodeTable table;
    ASSERT_TRUE(MakeDecodeTable(spec, table));
    // The end-of-block code of Table K.5 is 1010.
    EXPECT_EQ(table.fast[0b101000000], (4 << 8) | 0x00);
    // 0xF0 (sixteen zeros) has the 11-bit code 11111111001, beyond the fast lookup.
    HuffmanEncodeTable enc = MakeEncodeTable(spec);
    EXPECT_EQ(enc.size[0xF0], 11);
    EXPECT_EQ(enc.code[0xF0], 0b11111111001);
}

// The AAN transforms against the defining formulas of the DCT.
TEST(JpegTransform, ForwardAndInverseMatchTheDefinition) {
    std::mt19937 rng(3);
    for (int round = 0; round < 50; ++round) {
        std::array<float, 64> block;
        double samples[64];
        for (int i = 0; i < 64; ++i)
            block[std::size_t(i)] = float(samples[i] = int(rng() % 256) - 128);
        ForwardDct(block);
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v) {
                double sum = 0;
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x)
                        sum += samples[y * 8 + x] * std::cos((2 * x + 1) * v * M_PI / 16) *
                               std::cos((2 * y + 1) * u * M_PI / 16);
                sum *= (u ? 1 : M_SQRT1_2) * (v ? 1 : M_SQRT1_2) / 4;
                double got = block[std::size_t(u * 8 + v)] /
                             (8 * AanScale[std::size_t(u)] * AanScale[std::size_t(v)]);
                ASSERT_NEAR(got, sum, 0.01);
            }

        std::int16_t coef[64];
        for (int i = 0; i < 64; ++i)
            coef[i] = std::int16_t(int(rng() % (i < 10 ? 200 : 20)) - (i < 10 ? 100 : 10));
        std::array<std::uint16_t, 64> ones;
        ones.fill(1);
        std::uint8_t out[64];
        InverseDct(coef, InverseDctMultipliers(ones), out, 8, 128, 255, 0);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                double sum = 0;
                for (int u = 0; u < 8; ++u)
                    for (int v = 0; v < 8; ++v)
                        sum += (u ? 1 : M_SQRT1_2) * (v ? 1 : M_SQRT1_2) * coef[u * 8 + v] *
                               std::cos((2 * x + 1) * v * M_PI / 16) *
                               std::cos((2 * y + 1) * u * M_PI / 16);
                double expected = std::clamp(sum / 4 + 128, 0.0, 255.0);
                ASSERT_NEAR(out[y * 8 + x], expected, 0.51);
            }
    }
}

} // namespace
} // namespace pixelon::jpeg
