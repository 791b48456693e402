#include "codecs/BitStream.h"

namespace pixelon {

BitPacker::BitPacker(std::size_t size, std::size_t growthStep, BitOrder order)
    : m_buffer(size), m_growth(growthStep), m_order(order) {}

bool BitPacker::Write(std::uint32_t value, int bits) {
    while (bits > 0) {
        if (m_byte >= m_buffer.size()) {
            if (m_growth == 0)
                return false;
            m_buffer.resize(m_buffer.size() + m_growth);
        }
        if (m_bit == 0)
            m_buffer[m_byte] = 0;
        const int room = 8 - m_bit;
        const int take = bits < room ? bits : room;
        const std::uint32_t part = value & ((1u << take) - 1);
        if (m_order == BitOrder::LsbFirst)
            m_buffer[m_byte] |= std::uint8_t(part << m_bit);
        else
            m_buffer[m_byte] |= std::uint8_t(part << (room - take));
        value >>= take;
        bits -= take;
        m_bit += take;
        if (m_bit == 8) {
            m_bit = 0;
            ++m_byte;
        }
    }
    return true;
}

std::vector<std::uint8_t> BitPacker::Take() {
    std::vector<std::uint8_t> out = std::move(m_buffer);
    out.resize(UsedBytes());
    Reset();
    return out;
}

void BitPacker::Reset() {
    m_byte = 0;
    m_bit = 0;
}

std::int64_t BitReader::Read(int bits) {
    if (bits <= 0)
        return 0;
    if (m_byte >= m_bytes.size())
        return -1;
    std::uint32_t value = 0;
    int done = 0;
    while (done < bits) {
        const int room = 8 - m_bit;
        const int take = bits - done < room ? bits - done : room;
        std::uint32_t byte = m_byte < m_bytes.size() ? m_bytes[m_byte] : 0;
        std::uint32_t part = m_order == BitOrder::LsbFirst ? byte >> m_bit : byte >> (room - take);
        value |= (part & ((1u << take) - 1)) << done;
        done += take;
        m_bit += take;
        if (m_bit == 8) {
            m_bit = 0;
            ++m_byte;
        }
    }
    return value;
}

} // namespace pixelon
