#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pixelon {

enum class BitOrder { LsbFirst, MsbFirst };

// Writes values of any width into a byte buffer. LSB-first fills each byte from its lowest bit,
// MSB-first from its highest; either way the low-order bits of a value go first. With a growth
// step of 0 the buffer has a fixed size and a write past its end fails.
class BitPacker {
public:
    BitPacker(std::size_t size, std::size_t growthStep, BitOrder order);

    // Writes the low `bits` bits of `value`; false when a fixed-size buffer is full.
    bool Write(std::uint32_t value, int bits);

    // Bytes holding at least one written bit.
    std::size_t UsedBytes() const { return m_byte + (m_bit != 0 ? 1 : 0); }
    std::span<const std::uint8_t> Bytes() const { return {m_buffer.data(), UsedBytes()}; }
    // The buffer cut to the used bytes.
    std::vector<std::uint8_t> Take();
    void Reset();

private:
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_byte = 0;
    std::size_t m_growth;
    int m_bit = 0;
    BitOrder m_order;
};

// Reads values of up to 32 bits from a byte buffer in the same two orders. A read that starts at
// or beyond the end gives -1; bits of a read that runs over the end are 0.
class BitReader {
public:
    BitReader(std::span<const std::uint8_t> bytes, BitOrder order)
        : m_bytes(bytes), m_order(order) {}

    std::int64_t Read(int bits);
    bool AtEnd() const { return m_byte >= m_bytes.size(); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_byte = 0;
    int m_bit = 0;
    BitOrder m_order;
};

} // namespace pixelon
