#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/FileError.h"

namespace pixelon {

// A file error during a codec run, with the platform's cause.
class EImageFileError : public std::runtime_error {
public:
    explicit EImageFileError(FileErrorCause cause)
        : std::runtime_error(fileErrorText(cause)), m_cause(cause) {}
    FileErrorCause Cause() const { return m_cause; }

private:
    FileErrorCause m_cause;
};

// The file a processor reads or writes: binary, with a position that can be saved and restored.
class CImageFile {
public:
    enum class Mode { Read, Write };

    CImageFile() = default;
    CImageFile(CImageFile&&) noexcept = default;
    CImageFile& operator=(CImageFile&&) noexcept = default;

    // None on success, else the cause; an open file is closed first.
    FileErrorCause Open(const std::string& path, Mode mode);
    // Writes to a copy of the open descriptor `fd` (the caller keeps `fd`); None or the cause.
    FileErrorCause OpenForWriting(int fd);
    bool IsOpen() const { return m_file != nullptr; }
    // Flushes and closes; throws EImageFileError when the data could not be written.
    void Close();

    // Reads up to buffer.size() bytes and returns how many were read (0 at the end).
    std::size_t Read(std::span<std::uint8_t> buffer);
    void Write(std::span<const std::uint8_t> bytes);
    std::int64_t Tell() const;
    void Seek(std::int64_t position);
    // The bytes from the current position to the end; throws when there are more than `limit`.
    std::vector<std::uint8_t> ReadRest(std::size_t limit);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
};

} // namespace pixelon
