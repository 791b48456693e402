#include "codecs/ImageFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace pixelon {
namespace {

[[noreturn]] void fail(int error) {
    throw EImageFileError(error ? fileErrorCauseFromErrno(error) : FileErrorCause::HardIO);
}

} // namespace

FileErrorCause CImageFile::Open(const std::string& path, Mode mode) {
    m_file.reset();
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), mode == Mode::Read ? "rb" : "wb");
    if (!f)
        return errno ? fileErrorCauseFromErrno(errno) : FileErrorCause::Generic;
    m_file.reset(f);
    return FileErrorCause::None;
}

FileErrorCause CImageFile::OpenForWriting(int fd) {
    m_file.reset();
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return fileErrorCauseFromErrno(errno);
    std::FILE* f = ::fdopen(copy, "wb");
    if (!f) {
        const int error = errno;
        ::close(copy);
        return fileErrorCauseFromErrno(error);
    }
    m_file.reset(f);
    return FileErrorCause::None;
}

void CImageFile::Close() {
    if (!m_file)
        return;
    std::FILE* f = m_file.release();
    errno = 0;
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    int error = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        fail(error ? error : errno);
}

std::size_t CImageFile::Read(std::span<std::uint8_t> buffer) {
    if (!m_file)
        throw EImageFileError(FileErrorCause::InvalidFile);
    errno = 0;
    std::size_t n = std::fread(buffer.data(), 1, buffer.size(), m_file.get());
    if (n < buffer.size() && std::ferror(m_file.get()))
        fail(errno);
    return n;
}

void CImageFile::Write(std::span<const std::uint8_t> bytes) {
    if (!m_file)
        throw EImageFileError(FileErrorCause::InvalidFile);
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) != bytes.size())
        fail(errno);
}

std::int64_t CImageFile::Tell() const {
    if (!m_file)
        return 0;
    return std::int64_t(std::ftell(m_file.get()));
}

void CImageFile::Seek(std::int64_t position) {
    if (!m_file)
        throw EImageFileError(FileErrorCause::InvalidFile);
    errno = 0;
    if (std::fseek(m_file.get(), long(position), SEEK_SET) != 0)
        throw EImageFileError(FileErrorCause::BadSeek);
}

std::vector<std::uint8_t> CImageFile::ReadRest(std::size_t limit) {
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[4096];
    for (;;) {
        std::size_t n = Read(chunk);
        if (n == 0)
            return data;
        if (data.size() + n > limit)
            throw EImageFileError(FileErrorCause::InvalidFile);
        data.insert(data.end(), chunk, chunk + n);
    }
}

} // namespace pixelon
