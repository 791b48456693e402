#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/AtomicFile.h"
#include "platform/Surface.h"

namespace pixelon::cli {

// A PPM that cannot be read or written; the message says why.
class PpmError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Larger images are refused before anything is allocated.
inline constexpr int PpmMaxDimension = 16384;
inline constexpr long long PpmMaxPixels = 16LL * 1024 * 1024;

// Binary PPM (P6, maxval 255) of a surface.
std::string encodePpm(const Surface& surface);

// Reads binary (P6) and plain (P3) PPM with any maxval up to 65535 and # comments. Samples are
// scaled to 8 bits. Throws PpmError.
Surface decodePpm(std::string_view bytes);

// A new file is written directly; an existing one is replaced by writing beside it and
// renaming, so a failure keeps the previous file.
void writePpm(const std::filesystem::path& path, const Surface& surface);

// A binary PPM written piece by piece, as writePpm writes it: a new file is created (never over
// a file or link that appears meanwhile) and written directly, an existing one is replaced
// through AtomicFile on Commit. Without Commit nothing is left: a new file is removed, the
// previous file is kept. Failures throw PpmError.
class PpmOutput {
public:
    // Opens the file and writes the header.
    PpmOutput(const std::filesystem::path& path, int width, int height);
    PpmOutput(const PpmOutput&) = delete;
    PpmOutput& operator=(const PpmOutput&) = delete;
    ~PpmOutput();

    void Write(std::string_view bytes);
    void Commit();

private:
    std::filesystem::path m_path;
    int m_fd = -1;
    bool m_committed = false;
    std::unique_ptr<AtomicFile> m_atomic; // for an existing file
};
Surface readPpm(const std::filesystem::path& path);

// For commands that hold a few image-sized buffers one after another: freed memory is kept
// for the next buffer rather than given back and faulted in again.
void preferHeapReuse();

} // namespace pixelon::cli
