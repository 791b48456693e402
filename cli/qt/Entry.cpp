// The entry of pixelon-qt.so: the commands that draw with Qt's GUI module, loaded by pixelon
// only when one of them runs, so that every other command starts without Qt.

#include <cstring>
#include <string>
#include <vector>

#include "cli/QtModule.h"
#include "cli/qt/QtCommands.h"
#include "core/TemporaryFiles.h"

extern "C" __attribute__((visibility("default"))) int pixelon_qt_command(const char* name, int argc,
                                                                         const char* const* argv) {
    using namespace pixelon::cli;
    // The module keeps its own copy of the domain code, and so its own record of the files its
    // saves are writing: its handlers take over from the program's for the command.
    pixelon::RemoveTemporaryFilesOnSignals();
    std::vector<std::string> args(argv, argv + argc);
    if (!std::strcmp(name, "font"))
        return runFontWithQt(args);
    if (!std::strcmp(name, "print"))
        return runPrintWithQt(args);
    return QtModuleUnknownCommand;
}
