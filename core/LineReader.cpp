#include "core/LineReader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "core/EString.h"
#include "platform/FileError.h"

namespace pixelon {

LineReader::LineReader(int fd) : m_fd(fd), m_buffer(BlockSize) {
    m_begin = m_end = m_buffer.data();
}

LineReader::LineReader(std::string_view text)
    : m_begin(text.data()), m_end(text.data() + text.size()), m_eof(true) {}

// Moves the unread rest to the front of the buffer and appends one more block. False when the
// descriptor has nothing more to give.
bool LineReader::fill() {
    if (m_eof)
        return false;
    const std::size_t rest = std::size_t(m_end - m_begin);
    if (rest >= MaxLineLength)
        throw EString("Unsupported data: a line longer than " + std::to_string(MaxLineLength) +
                      " characters");
    // Growing the buffer moves it, so the rest is found again by its offset.
    const std::size_t offset = std::size_t(m_begin - m_buffer.data());
    if (m_buffer.size() - rest < BlockSize / 2)
        m_buffer.resize(m_buffer.size() + BlockSize);
    if (rest)
        std::memmove(m_buffer.data(), m_buffer.data() + offset, rest);
    char* base = m_buffer.data();
    for (;;) {
        ssize_t got = ::read(m_fd, base + rest, m_buffer.size() - rest);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw EString(fileErrorTextFromErrno(errno));
        m_begin = base;
        m_end = base + rest + got;
        if (got == 0)
            m_eof = true;
        return got > 0;
    }
}

bool LineReader::next(std::string_view& line) {
    const char* newline = nullptr;
    std::size_t scanned = 0;
    for (;;) {
        const std::size_t available = std::size_t(m_end - m_begin);
        if (available > scanned && (newline = static_cast<const char*>(
                                        std::memchr(m_begin + scanned, '\n', available - scanned))))
            break;
        scanned = available;
        if (!fill())
            break;
    }
    const char* stop = newline ? newline : m_end;
    if (!newline && m_begin == m_end) {
        line = {};
        return false;
    }
    std::size_t length = std::size_t(stop - m_begin);
    if (length > MaxLineLength)
        throw EString("Unsupported data: a line longer than " + std::to_string(MaxLineLength) +
                      " characters");
    line = std::string_view(m_begin, length);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const std::size_t consumed = length + (newline ? 1 : 0);
    m_begin += consumed;
    m_position += consumed;
    ++m_lineNumber;
    return true;
}

} // namespace pixelon
