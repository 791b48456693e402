#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pixelon {

// Writes text lines ending in CR LF through a large buffer, with number formatting that needs
// no printf. Writes to a descriptor (flushed in blocks) or, without one, into memory.
class LineWriter {
public:
    static constexpr std::size_t BlockSize = 1 << 20;

    // Writes to an open descriptor; the writer does not close it.
    explicit LineWriter(int fd);
    // Collects the text in memory (text()).
    LineWriter();

    LineWriter& put(std::string_view text) {
        m_buffer.append(text);
        return *this;
    }
    LineWriter& putDecimal(std::int64_t value);
    // Upper-case hexadecimal of the 32-bit pattern of `value`, at least `digits` digits.
    LineWriter& putHex(std::uint32_t value, int digits);
    void endLine() {
        m_buffer.append("\r\n", 2);
        if (m_fd >= 0 && m_buffer.size() >= BlockSize)
            flush();
    }
    void line(std::string_view text) {
        put(text);
        endLine();
    }
    // One line holding a byte as two upper-case hexadecimal digits.
    void hexByteLine(std::uint8_t byte) {
        static constexpr char digits[] = "0123456789ABCDEF";
        const char text[4] = {digits[byte >> 4], digits[byte & 15], '\r', '\n'};
        m_buffer.append(text, 4);
        if (m_fd >= 0 && m_buffer.size() >= BlockSize)
            flush();
    }

    // Hands the buffered text to the descriptor. Throws EString with the file error text.
    void flush();

    const std::string& text() const { return m_buffer; }

private:
    int m_fd = -1;
    std::string m_buffer;
};

} // namespace pixelon
