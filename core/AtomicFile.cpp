#include "core/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/FileError.h"

namespace pixelon {

namespace {

[[noreturn]] void fail(int error) {
    throw EFileError(error);
}

// The destination behind a symbolic link (or a chain of them), so saving through a link
// replaces its target and keeps the link.
std::filesystem::path resolveTarget(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    // Follows the chain one link at a time, so a link to a file not there yet creates that
    // file; a loop ends at the limit and then fails to open like any looping path.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec)))
            break;
        std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

mode_t defaultMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The folder refused to create a file for lack of permission (not for a missing folder).
bool folderRefused(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

EFileError::EFileError(int error) : EString(fileErrorTextFromErrno(error)), m_errno(error) {}

AtomicFile::AtomicFile(const std::filesystem::path& path) : m_target(resolveTarget(path)) {
    // Renaming a file over a pipe or a device would replace it (as root, even /dev/null) and
    // leave the reader waiting. The path is opened as given, so that links the system resolves
    // itself (/dev/stdout to a pipe) work too.
    struct stat followed {};
    if (::stat(path.c_str(), &followed) == 0 && !S_ISREG(followed.st_mode) &&
        !S_ISDIR(followed.st_mode)) {
        m_fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0)
            fail(errno);
        m_direct = true;
        return;
    }
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
    // mkostemp opens with O_CREAT | O_EXCL: it never reuses an existing name or follows a link.
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0) {
        const int error = errno;
        if (exists && S_ISREG(existing.st_mode) && folderRefused(error)) {
            m_fd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
            if (m_fd < 0)
                fail(errno);
            m_inPlace = true;
            return;
        }
        // A missing folder makes the path invalid rather than the file missing.
        fail(error == ENOENT ? ENOTDIR : error);
    }
    m_temporary = name.data();
    if (exists) {
        // The owner can only be kept by a privileged user; the group by any member of it.
        if (::fchown(m_fd, existing.st_uid, existing.st_gid) != 0)
            (void)!::fchown(m_fd, uid_t(-1), existing.st_gid);
        ::fchmod(m_fd, existing.st_mode & 07777);
    } else {
        ::fchmod(m_fd, defaultMode());
    }
}

AtomicFile::~AtomicFile() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temporary.empty())
        ::unlink(m_temporary.c_str());
}

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        done += std::size_t(n);
    }
}

void AtomicFile::commit() {
    if (m_direct) {
        // A pipe or a device is not synced (most refuse it); its close reports a late error.
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            fail(errno);
        m_committed = true;
        return;
    }
    if (m_inPlace) {
        // The old contents beyond the new end are cut off only now, once everything is written.
        off_t end = ::lseek(m_fd, 0, SEEK_CUR);
        if (end < 0 || ::ftruncate(m_fd, end) != 0)
            fail(errno);
    }
    if (::fsync(m_fd) != 0)
        fail(errno);
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (m_inPlace) {
        m_committed = true;
        return;
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        fail(errno);
    m_committed = true;
    // Make the rename itself durable; a failure here no longer endangers either file.
    std::filesystem::path folder = m_target.parent_path();
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void AtomicFile::writeAll(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

} // namespace pixelon
