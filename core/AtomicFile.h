#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "core/EString.h"

namespace pixelon {

// A failed file operation: the file error text, with the errno it came from.
class EFileError : public EString {
public:
    explicit EFileError(int error);
    int Errno() const { return m_errno; }

private:
    int m_errno;
};

// A file written beside its destination under a temporary name and renamed over it only when
// commit() succeeds, so a failed save leaves the previous file as it was.
//
// - A symbolic link is written through: its target is replaced and the link stays.
// - The replaced file's permission bits are kept, and its owner and group where permitted.
// - The temporary file is created exclusively (O_EXCL) under a fresh name, so neither an
//   existing file nor a planted link is ever written through.
// - When the folder refuses new files but the destination exists and is writable, the file is
//   rewritten in place instead. This less safe path loses the previous contents if the write
//   fails halfway; inPlace() tells which path was taken.
// - A pipe, a terminal or a device (/dev/null, /dev/stdout) has no contents to keep and must
//   stay what it is: it is opened and written directly, never replaced by a file.
//
// Failures throw EFileError (an EString) carrying the file error text.
class AtomicFile {
public:
    explicit AtomicFile(const std::filesystem::path& path);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFile();

    int fd() const { return m_fd; }
    bool inPlace() const { return m_inPlace; }
    // The destination is a pipe or a device, written directly.
    bool direct() const { return m_direct; }
    // The file that commit() replaces (a link's target).
    const std::filesystem::path& target() const { return m_target; }

    // Writes all of `bytes` at the current position.
    void write(std::span<const std::uint8_t> bytes);
    // Flushes the data to the disk and renames the temporary file over the destination.
    void commit();

    // Writes a whole file through an AtomicFile.
    static void writeAll(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
    static void writeAll(const std::filesystem::path& path, std::string_view text) {
        writeAll(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    bool m_committed = false;
    bool m_inPlace = false;
    bool m_direct = false;
};

} // namespace pixelon
