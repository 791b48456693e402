#include "codecs/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileError.h"

namespace pixelon {

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                       std::uintmax_t limit, int* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (bytes.size() + n > limit) {
            std::fclose(f);
            if (error)
                *error = EFBIG;
            return std::nullopt;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        if (error)
            *error = EIO;
        return std::nullopt;
    }
    return bytes;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         int* error) {
    std::string temp = path.string() + ".XXXXXX";
    int fd = mkstemp(temp.data());
    auto fail = [&](int e) {
        if (error)
            *error = e;
        return false;
    };
    if (fd < 0)
        return fail(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            return fail(e);
        }
        done += std::size_t(n);
    }
    // mkstemp creates the file private to the user; give it the usual permissions.
    ::fchmod(fd, 0644);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int e = errno;
        ::unlink(temp.c_str());
        return fail(e);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(temp.c_str());
        return fail(e);
    }
    return true;
}

std::string SaveFailureText(int error) {
    return "Unable to save file.\n" + fileErrorTextFromErrno(error);
}

} // namespace pixelon
