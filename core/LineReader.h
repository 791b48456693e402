#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pixelon {

// Reads a text file (or a buffer) one line at a time. Lines end in LF or CR LF; the line end is
// never part of the line. The file is read in large blocks and every line is a view into the
// block, so reading allocates nothing per line. A line stays valid until the next call to next().
class LineReader {
public:
    static constexpr std::size_t BlockSize = 1 << 20;
    // Longer lines are a read failure rather than an ever-growing buffer.
    static constexpr std::size_t MaxLineLength = 4 << 20;

    // Reads from an open descriptor; the reader does not close it.
    explicit LineReader(int fd);
    // Reads from memory that outlives the reader.
    explicit LineReader(std::string_view text);

    // The next line, or false at the end of the data (line is then empty). Throws EString when
    // the descriptor fails or a line is longer than MaxLineLength.
    bool next(std::string_view& line);

    // Bytes consumed so far: the offset of the next line.
    std::uint64_t position() const { return m_position; }
    // Lines returned so far: the number of the last line read, counting from 1.
    std::uint64_t lineNumber() const { return m_lineNumber; }
    bool atEnd() const { return m_eof && m_begin == m_end; }

private:
    bool fill();

    int m_fd = -1;
    std::vector<char> m_buffer;
    const char* m_begin = nullptr;
    const char* m_end = nullptr;
    bool m_eof = false;
    std::uint64_t m_position = 0;
    std::uint64_t m_lineNumber = 0;
};

} // namespace pixelon
