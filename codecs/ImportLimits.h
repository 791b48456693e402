#pragma once

namespace pixelon {

// The largest picture an import takes from a file: a file too large for the readers to read
// whole (beyond 16384 a side) gives its top-left part of this size, and only that part is
// decoded.
inline constexpr int ImportCropWidth = 1280;
inline constexpr int ImportCropHeight = 1024;

} // namespace pixelon
