#include "core/AtomicFile.h"
#include "core/WriteFully.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "core/TemporaryFiles.h"
#include "platform/FileError.h"

namespace pixelon {

namespace {

// Holds back the signals that remove temporary files (a pending one is delivered when this
// ends), for the few steps between a file's creation and its record.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        sigset_t ending;
        sigemptyset(&ending);
        sigaddset(&ending, SIGINT);
        sigaddset(&ending, SIGTERM);
        sigaddset(&ending, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &ending, &m_previous);
    }
    ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

private:
    sigset_t m_previous;
};

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

// A descriptor closed at the end of the scope.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int d) : fd(d) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Copies `from` to `to` from their current positions to the end of `from`; the number of
// bytes copied, or -1 with errno set.
std::int64_t copyAll(int from, int to) {
    std::vector<char> buffer(std::size_t(1) << 20);
    std::int64_t total = 0;
    for (;;) {
        ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            return total;
        if (!WriteFully(to, buffer.data(), std::size_t(n)))
            return -1;
        total += n;
    }
}

void syncFolder(const std::filesystem::path& folder) {
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// The note of the last save on this thread that had to leave its kept copy behind.
thread_local std::string t_keptCopyNote;

} // namespace

EFileError::EFileError(int error) : EString(fileErrorTextFromErrno(error)), m_errno(error) {}
EFileError::EFileError(int error, const std::string& text) : EString(text), m_errno(error) {}

std::filesystem::path AtomicFile::keptCopyFolder() {
    std::filesystem::path base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/') {
        base = cache;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* user = ::getpwuid(::getuid());
            home = user ? user->pw_dir : "/";
        }
        base = std::filesystem::path(home) / ".cache";
    }
    return base / "pixelon";
}

std::string AtomicFile::takeKeptCopyNote() {
    return std::exchange(t_keptCopyNote, std::string());
}

AtomicFile::AtomicFile(const std::filesystem::path& path) : m_target(resolveTarget(path)) {
    t_keptCopyNote.clear();
    struct stat existing {};
    bool exists = ::stat(m_target.c_str(), &existing) == 0;
    // A link that only the kernel can follow (/dev/stdout to a pipe names "pipe:[...]") has no
    // path as its target: the destination is then what the given name reaches.
    if (!exists && ::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) &&
        !S_ISDIR(existing.st_mode)) {
        m_target = path;
        exists = true;
    }
    if (exists && S_ISDIR(existing.st_mode))
        fail(EISDIR);
    // A file the user may not write stays as it is, as an in-place write would have failed.
    if (exists && ::access(m_target.c_str(), W_OK) != 0)
        fail(errno);

    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a FIFO takes the data itself; renaming a file over it would put a plain
        // file where the device was. A FIFO waits here for its reader, as with cp.
        m_fd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0)
            fail(errno);
        struct stat opened {};
        if (::fstat(m_fd, &opened) == 0 && S_ISREG(opened.st_mode)) {
            // Replaced by a regular file meanwhile: that one must not be written over.
            ::close(m_fd);
            m_fd = -1;
            fail(EBUSY);
        }
        m_direct = true;
        return;
    }

    std::filesystem::path folder = m_target.parent_path();
    std::string pattern = folder.empty() ? std::string(".") : folder.string();
    pattern.append("/.");
    pattern.append(m_target.filename().string());
    pattern.append(".XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp opens with O_CREAT | O_EXCL: it never reuses an existing name or follows a link.
    // A signal that ends the program before the rename removes the file too; it waits while the
    // file is created and recorded, or it could come in between and leave the file behind.
    int error = 0;
    {
        const EndingSignalsHeld held;
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        error = errno;
        if (m_fd >= 0)
            m_recorded = RecordTemporaryFile(name.data());
    }
    if (m_fd < 0) {
        if (exists && S_ISREG(existing.st_mode) && folderRefused(error)) {
            m_fd = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
            if (m_fd < 0)
                fail(errno);
            m_inPlace = true;
            try {
                keepCopy(keptCopyFolder());
            } catch (...) {
                ::close(m_fd);
                m_fd = -1;
                throw;
            }
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

void AtomicFile::keepCopy(const std::filesystem::path& folder) {
    // The copy is written under a temporary name and synced before it gets the file's name, so
    // a copy under that name is always whole; only then may the file itself be touched.
    auto refuse = [&](int error) {
        throw EFileError(error, fileErrorTextFromErrno(error) +
                                    "\nThe folder refuses new files and no copy of the previous "
                                    "file could be kept in " +
                                    folder.string() + ", so it was not rewritten in place.");
    };
    std::error_code ec;
    std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        refuse(errno);
    Descriptor from(::open(m_target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (from.fd < 0)
        refuse(errno);
    std::string pattern = (folder / ("." + m_target.filename().string() + ".XXXXXX")).string();
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    Descriptor to(::mkostemp(temporary.data(), O_CLOEXEC));
    if (to.fd < 0)
        refuse(errno);
    const std::int64_t copied = copyAll(from.fd, to.fd);
    if (copied < 0 || ::fsync(to.fd) != 0) {
        const int error = errno;
        ::unlink(temporary.data());
        refuse(error);
    }
    // The file's own name, or the first of name.1, name.2, ... that no earlier copy holds.
    const std::string base = (folder / m_target.filename()).string();
    for (int n = 0; n < 1000 && m_copy.empty(); ++n) {
        std::string candidate = n == 0 ? base : base + "." + std::to_string(n);
        if (::link(temporary.data(), candidate.c_str()) == 0) {
            m_copy = candidate;
        } else if (errno != EEXIST) {
            // A file system without hard links: a rename, after checking the name is free.
            struct stat taken {};
            if (::lstat(candidate.c_str(), &taken) == 0)
                continue;
            if (::rename(temporary.data(), candidate.c_str()) != 0) {
                const int error = errno;
                ::unlink(temporary.data());
                refuse(error);
            }
            m_copy = candidate;
        }
    }
    ::unlink(temporary.data());
    if (m_copy.empty())
        refuse(EEXIST);
    m_copySize = std::uint64_t(copied);
    syncFolder(folder);
}

bool AtomicFile::restore() noexcept {
    Descriptor from(::open(m_copy.c_str(), O_RDONLY | O_CLOEXEC));
    if (from.fd < 0)
        return false;
    Descriptor reopened(m_fd >= 0 ? -1 : ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC));
    const int to = m_fd >= 0 ? m_fd : reopened.fd;
    if (to < 0 || ::lseek(to, 0, SEEK_SET) != 0)
        return false;
    const std::int64_t copied = copyAll(from.fd, to);
    return copied >= 0 && std::uint64_t(copied) == m_copySize &&
           ::ftruncate(to, off_t(m_copySize)) == 0 && ::fsync(to) == 0;
}

AtomicFile::~AtomicFile() {
    if (!m_committed && m_inPlace && !m_copy.empty()) {
        // The file may hold part of the new contents: put the previous ones back, and keep
        // the copy for the user if that fails.
        if (restore())
            ::unlink(m_copy.c_str());
        else
            t_keptCopyNote = "\nA whole copy of the previous file is kept in " + m_copy.string();
    }
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temporary.empty())
        ::unlink(m_temporary.c_str());
    ForgetTemporaryFile(m_recorded);
}

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
    if (!WriteFully(m_fd, reinterpret_cast<const char*>(bytes.data()), bytes.size()))
        fail(errno);
}

void AtomicFile::commit() {
    if (m_inPlace) {
        // The old contents beyond the new end are cut off only now, once everything is written.
        off_t end = ::lseek(m_fd, 0, SEEK_CUR);
        if (end < 0 || ::ftruncate(m_fd, end) != 0)
            fail(errno);
    }
    // A FIFO or a character device cannot be synced; what it took is gone either way.
    if (::fsync(m_fd) != 0 && !(m_direct && (errno == EINVAL || errno == EROFS)))
        fail(errno);
    if (::close(m_fd) != 0) {
        const int error = errno;
        m_fd = -1;
        fail(error);
    }
    m_fd = -1;
    if (m_inPlace || m_direct) {
        m_committed = true;
        // The new contents are on the disk: the copy of the previous ones is no longer needed.
        if (!m_copy.empty())
            ::unlink(m_copy.c_str());
        return;
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        fail(errno);
    m_committed = true;
    ForgetTemporaryFile(m_recorded);
    m_recorded = -1;
    // Make the rename itself durable; a failure here no longer endangers either file.
    syncFolder(m_target.parent_path());
}

void AtomicFile::writeAll(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

} // namespace pixelon
