#include "core/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/EString.h"
#include "platform/FileError.h"

namespace pixelon {

namespace {

[[noreturn]] void fail(int error) {
    throw EString(fileErrorTextFromErrno(error));
}

// The destination behind a symbolic link, so saving through a link keeps the link.
std::filesystem::path resolveTarget(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto resolved = std::filesystem::weakly_canonical(path, ec);
        if (!ec)
            return resolved;
    }
    return path;
}

mode_t defaultMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

AtomicFile::AtomicFile(const std::filesystem::path& path) : m_target(resolveTarget(path)) {
    struct stat existing {};
    const bool exists = ::stat(m_target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        fail(EISDIR);
    // A file the user may not write stays as it is, as an in-place write would have failed.
    if (exists && ::access(m_target.c_str(), W_OK) != 0)
        fail(errno);

    std::filesystem::path folder = m_target.parent_path();
    std::string pattern = folder.empty() ? std::string(".") : folder.string();
    pattern.append("/.");
    pattern.append(m_target.filename().string());
    pattern.append(".XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0) {
        // A missing folder makes the path invalid rather than the file missing.
        fail(errno == ENOENT ? ENOTDIR : errno);
    }
    m_temporary = name.data();
    ::fchmod(m_fd, exists ? (existing.st_mode & 07777) : defaultMode());
}

AtomicFile::~AtomicFile() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temporary.empty())
        ::unlink(m_temporary.c_str());
}

void AtomicFile::commit() {
    if (::fsync(m_fd) != 0)
        fail(errno);
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        fail(errno);
    m_committed = true;
    // Make the rename itself durable; a failure here no longer endangers either file.
    std::filesystem::path folder = m_target.parent_path();
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace pixelon
