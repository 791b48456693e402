#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pixelon::app {

// The window-system platform vistrel would start on: the value of "-platform NAME" among the
// arguments, else QT_QPA_PLATFORM, else empty (Qt's default).
std::string requestedPlatform(const std::vector<std::string>& args, const char* envPlatform);

// Why the program cannot show a window, as one line, or nothing when it can (or when the
// platform is one that needs no display). Qt itself aborts in that case; this check lets the
// program end with a message and status 1 instead. `connect` tries to open an X display by name
// and returns true when it could; it is a parameter so tests need no X server.
std::optional<std::string> displayProblem(const std::string& platform, const char* display,
                                          const char* waylandDisplay,
                                          bool (*connect)(const char* display));

// Opens and closes a connection to the X display through the X client library, loaded at run
// time; true when the library is missing (Qt will report for itself then).
bool canConnectToX(const char* display);

} // namespace pixelon::app
