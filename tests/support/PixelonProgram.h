#pragma once
// Starting the built pixelon from tests that check its command line.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pixelon::test {

// The pixelon program under $PIXELON_BINARY_DIR; empty when it is not built there.
inline std::string builtPixelon() {
    const char* bin = std::getenv("PIXELON_BINARY_DIR");
    if (!bin)
        return {};
    const std::filesystem::path program = std::filesystem::path(bin) / "cli" / "pixelon";
    return std::filesystem::exists(program) ? program.string() : std::string();
}

// Runs `program arguments` through the shell with a 60-second limit, its standard output and
// error in out.txt and err.txt of `dir`. The exit status; -1 when it did not exit by itself.
inline int runPixelon(const std::string& program, const std::filesystem::path& dir,
                      const std::string& arguments, const std::string& environment = {}) {
    const std::string line = environment + (environment.empty() ? "" : " ") + "timeout 60 " +
                             program + " " + arguments + " >" + (dir / "out.txt").string() + " 2>" +
                             (dir / "err.txt").string();
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace pixelon::test
