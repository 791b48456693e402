#pragma once

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace pixelon {

// Writes all of `size` bytes, retrying short writes and interruptions; false with errno set
// when the file refuses (EIO for a write that makes no progress).
inline bool WriteFully(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        at += n;
        size -= std::size_t(n);
    }
    return true;
}

} // namespace pixelon
