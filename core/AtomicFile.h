#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "core/EString.h"

namespace pixelon {

// A failed file operation: the file error text, with the errno it came from.
class EFileError : public EString {
public:
    explicit EFileError(int error);
    EFileError(int error, const std::string& text);
    int Errno() const { return m_errno; }

private:
    int m_errno;
};

// The one way the program writes a file. A regular file is written beside its destination
// under a temporary name and renamed over it only when commit() succeeds, so a failed save
// leaves the previous file as it was.
//
// - A symbolic link is written through: its target is replaced and the link stays.
// - The replaced file's permission bits are kept, and its owner and group where permitted.
// - The temporary file is created exclusively (O_EXCL) under a fresh name, so neither an
//   existing file nor a planted link is ever written through.
// - An existing destination that is not a regular file (a character or block device, a FIFO)
//   is opened and written directly, as cp does: it is never replaced by a regular file. A
//   folder is refused.
// - When the folder refuses new files but the destination exists and is writable, the file is
//   rewritten in place. A whole copy of the previous file is first kept in the user's cache
//   folder (keptCopyFolder(), named after the file); it is removed once the new contents are
//   on the disk. A save that fails puts the previous contents back from the copy; if even
//   that fails, or the program is killed meanwhile, the copy stays for the user.
//
// Failures throw EFileError (an EString) carrying the file error text.
class AtomicFile {
public:
    explicit AtomicFile(const std::filesystem::path& path);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Unless commit() succeeded: removes the temporary file, or puts back the previous
    // contents of a file rewritten in place.
    ~AtomicFile();

    int fd() const { return m_fd; }
    bool inPlace() const { return m_inPlace; }
    // A device or FIFO written directly.
    bool direct() const { return m_direct; }
    // The file that commit() replaces (a link's target).
    const std::filesystem::path& target() const { return m_target; }
    // While rewriting in place: the whole copy of the previous file.
    const std::filesystem::path& keptCopy() const { return m_copy; }

    // Writes all of `bytes` at the current position.
    void write(std::span<const std::uint8_t> bytes);
    // Flushes the data to the disk and renames the temporary file over the destination.
    void commit();

    // Writes a whole file through an AtomicFile.
    static void writeAll(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
    static void writeAll(const std::filesystem::path& path, std::string_view text) {
        writeAll(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }

    // Where copies of files rewritten in place are kept: $XDG_CACHE_HOME/pixelon, else
    // ~/.cache/pixelon.
    static std::filesystem::path keptCopyFolder();
    // After a failed save on this thread: a line saying where the whole copy of the previous
    // file is kept when its contents could not be put back, else "". Failure messages end
    // with it; taking it clears it.
    static std::string takeKeptCopyNote();

private:
    void keepCopy(const std::filesystem::path& folder);
    bool restore() noexcept;

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::filesystem::path m_copy;
    std::uint64_t m_copySize = 0;
    int m_fd = -1;
    bool m_committed = false;
    bool m_inPlace = false;
    bool m_direct = false;
    // The temporary file's place among those a terminating signal removes, or -1.
    int m_recorded = -1;
};

} // namespace pixelon
