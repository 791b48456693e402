#pragma once

#include <span>
#include <string>

namespace pixelon::cli {

// The commands of pixelon-qt.so, run through its entry.
int runFontWithQt(std::span<const std::string> args);
int runPrintWithQt(std::span<const std::string> args);

} // namespace pixelon::cli
