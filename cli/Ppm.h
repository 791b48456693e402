#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

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
Surface readPpm(const std::filesystem::path& path);

// For commands that hold a few image-sized buffers one after another: freed memory is kept
// for the next buffer rather than given back and faulted in again.
void preferHeapReuse();

} // namespace pixelon::cli
