#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pixelon {

// Reads a whole file; nothing when it cannot be opened or is larger than `limit` bytes (error
// EFBIG, for a regular file known from its size before anything is read).
std::optional<std::vector<std::uint8_t>>
ReadFileBytes(const std::filesystem::path& path, std::uintmax_t limit = std::uintmax_t(1) << 30,
              int* error = nullptr);

// Writes `bytes` through core/AtomicFile: a failed save leaves the previous file as it was, and a
// link, the file's mode and its owner are kept. On failure returns false and sets `error` to
// the errno.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         int* error = nullptr);

// The text "Unable to save file.\n" followed by the cause of `error`.
std::string SaveFailureText(int error);

} // namespace pixelon
