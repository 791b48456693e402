#include "core/LineWriter.h"

#include <cerrno>
#include <unistd.h>

#include "core/EString.h"
#include "platform/FileError.h"

namespace pixelon {

LineWriter::LineWriter(int fd) : m_fd(fd) {
    m_buffer.reserve(BlockSize + 4096);
}

LineWriter::LineWriter() = default;

LineWriter& LineWriter::putDecimal(std::int64_t value) {
    char text[24];
    char* end = text + sizeof text;
    char* at = end;
    std::uint64_t magnitude = value < 0 ? 0 - std::uint64_t(value) : std::uint64_t(value);
    do {
        *--at = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        *--at = '-';
    m_buffer.append(at, std::size_t(end - at));
    return *this;
}

LineWriter& LineWriter::putHex(std::uint32_t value, int digits) {
    static constexpr char hex[] = "0123456789ABCDEF";
    char text[8];
    int count = 0;
    do {
        text[7 - count++] = hex[value & 15];
        value >>= 4;
    } while (value);
    for (; count < digits && count < 8; ++count)
        text[7 - count] = '0';
    m_buffer.append(text + 8 - count, std::size_t(count));
    return *this;
}

void LineWriter::flush() {
    if (m_fd < 0)
        return;
    const char* at = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left) {
        ssize_t done = ::write(m_fd, at, left);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            throw EString(fileErrorTextFromErrno(done < 0 ? errno : EIO));
        at += done;
        left -= std::size_t(done);
    }
    m_buffer.clear();
}

} // namespace pixelon
