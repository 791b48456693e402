#include "codecs/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/AtomicFile.h"
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
    // A regular file's size tells at once whether it is over the limit, and how much room the
    // bytes need; a pipe or device is read up to the limit.
    struct stat info {};
    if (::fstat(::fileno(f), &info) == 0 && S_ISREG(info.st_mode)) {
        if (std::uintmax_t(info.st_size) > limit) {
            std::fclose(f);
            if (error)
                *error = EFBIG;
            return std::nullopt;
        }
        bytes.reserve(std::size_t(info.st_size));
    }
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
    try {
        AtomicFile::writeAll(path, bytes);
        return true;
    } catch (const EFileError& e) {
        if (error)
            *error = e.Errno();
        return false;
    }
}

std::string SaveFailureText(int error) {
    return "Unable to save file.\n" + fileErrorTextFromErrno(error) +
           AtomicFile::takeKeptCopyNote();
}

} // namespace pixelon
