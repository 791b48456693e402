#pragma once

#include <filesystem>

namespace pixelon {

// A file written beside its destination under a temporary name and renamed over it only when
// commit() succeeds, so a failed save leaves the previous file as it was. Failures throw EString
// carrying the file error text.
class AtomicFile {
public:
    explicit AtomicFile(const std::filesystem::path& path);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFile();

    int fd() const { return m_fd; }
    // Flushes the data to the disk and renames the temporary file over the destination.
    void commit();

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace pixelon
