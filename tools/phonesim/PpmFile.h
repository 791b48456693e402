#pragma once

#include <optional>
#include <string>

#include "platform/Surface.h"

namespace pixelon::sim {

// Reads a binary PPM (P6) or PGM (P5) file of at most 1280 x 1024 pixels with 8-bit samples.
std::optional<Surface> readPpm(const std::string& path, std::string& error);
// Writes a binary PPM (P6) file through a temporary file beside it.
bool writePpm(const std::string& path, const Surface& image);

} // namespace pixelon::sim
