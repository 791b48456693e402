#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace pixelon {

// A cursor over bytes in memory where every read past the end fails instead of reading on.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t Position() const { return m_at; }
    std::size_t Remaining() const { return m_bytes.size() - m_at; }
    bool AtEnd() const { return m_at >= m_bytes.size(); }
    void Seek(std::size_t at) { m_at = at < m_bytes.size() ? at : m_bytes.size(); }

    std::optional<std::uint8_t> U8() {
        if (AtEnd())
            return std::nullopt;
        return m_bytes[m_at++];
    }
    std::optional<std::uint16_t> U16le() {
        if (Remaining() < 2)
            return std::nullopt;
        std::uint16_t v = std::uint16_t(m_bytes[m_at] | m_bytes[m_at + 1] << 8);
        m_at += 2;
        return v;
    }
    std::optional<std::uint32_t> U32le() {
        if (Remaining() < 4)
            return std::nullopt;
        std::uint32_t v = std::uint32_t(m_bytes[m_at]) | std::uint32_t(m_bytes[m_at + 1]) << 8 |
                          std::uint32_t(m_bytes[m_at + 2]) << 16 |
                          std::uint32_t(m_bytes[m_at + 3]) << 24;
        m_at += 4;
        return v;
    }
    // The next `count` bytes, or fewer when the data ends first.
    std::span<const std::uint8_t> Take(std::size_t count) {
        std::size_t n = count < Remaining() ? count : Remaining();
        auto out = m_bytes.subspan(m_at, n);
        m_at += n;
        return out;
    }
    bool Skip(std::size_t count) {
        if (count > Remaining()) {
            m_at = m_bytes.size();
            return false;
        }
        m_at += count;
        return true;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

} // namespace pixelon
