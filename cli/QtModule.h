#pragma once

#include <span>
#include <string>

namespace pixelon::cli {

// The module's answer for a command it does not hold.
inline constexpr int QtModuleUnknownCommand = 64;

// Runs a command of pixelon-qt.so, the module holding the commands that draw with Qt's GUI
// module (system fonts, PDF pages): loaded from beside pixelon in a build folder, else from the
// package's library folder. Without the module the command fails with a message.
int runQtCommand(const char* name, std::span<const std::string> args);

} // namespace pixelon::cli
