#include "cli/QtModule.h"

#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <vector>

#include "cli/Commands.h"
#include "platform/Process.h"

// The package's library folder, relative to the installed tree (set by the build).
#ifndef PIXELON_PRIVATE_LIBDIR
#define PIXELON_PRIVATE_LIBDIR "lib/pixelon"
#endif

namespace pixelon::cli {
namespace {

namespace fs = std::filesystem;

using CommandEntry = int (*)(const char* name, int argc, const char* const* argv);

fs::path modulePath() {
    std::error_code ec;
    return companionFile(fs::read_symlink("/proc/self/exe", ec).parent_path(), "pixelon-qt.so",
                         PIXELON_PRIVATE_LIBDIR);
}

} // namespace

int runQtCommand(const char* name, std::span<const std::string> args) {
    const fs::path path = modulePath();
    if (path.empty()) {
        std::fprintf(stderr,
                     "pixelon %s: the drawing module pixelon-qt.so is not installed beside "
                     "pixelon or in ../%s\n",
                     name, PIXELON_PRIVATE_LIBDIR);
        return 1;
    }
    // The module stays loaded until the process ends: Qt's objects may outlive the call.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "pixelon %s: %s\n", name, ::dlerror());
        return 1;
    }
    auto entry = reinterpret_cast<CommandEntry>(::dlsym(module, "pixelon_qt_command"));
    if (!entry) {
        std::fprintf(stderr, "pixelon %s: %s is not pixelon's drawing module\n", name,
                     path.c_str());
        return 1;
    }
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    const int status = entry(name, int(argv.size()), argv.data());
    if (status == QtModuleUnknownCommand)
        std::fprintf(stderr, "pixelon %s: not in the drawing module %s\n", name, path.c_str());
    return status;
}

int runFont(std::span<const std::string> args) {
    return runQtCommand("font", args);
}
int runPrint(std::span<const std::string> args) {
    return runQtCommand("print", args);
}

} // namespace pixelon::cli
