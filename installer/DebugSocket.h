#pragma once

// Where the debug viewer listens. Shared by the library and the viewer program, so it is kept
// header-only and free of dependencies.

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace pixelon::debugsocket {

inline constexpr std::string_view kWindowClass = "DebugOut Window";
inline constexpr std::string_view kWindowTitle = "DebugOutput";
// The file name joins the class and title, with the blank made safe for shells.
inline constexpr std::string_view kSocketName = "DebugOut-Window.DebugOutput";
// The longest path a Unix-domain socket address holds (sun_path less its terminator).
inline constexpr std::size_t kMaxSocketPath = 107;

// $XDG_RUNTIME_DIR, else /tmp/pixelon-<uid>, created with mode 0700 when `create` is set. A
// fallback folder that is not a real directory owned by this user is refused, so another user
// cannot plant a socket that receives the lines.
inline std::optional<std::filesystem::path> runtimeFolder(bool create) {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir != nullptr && *dir == '/') {
        return std::filesystem::path(dir);
    }
    const std::filesystem::path folder = "/tmp/pixelon-" + std::to_string(::getuid());
    if (create && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::nullopt;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 0077) != 0) {
        return std::nullopt;
    }
    return folder;
}

inline std::optional<std::filesystem::path> socketPath(bool createFolder) {
    const auto folder = runtimeFolder(createFolder);
    if (!folder) {
        return std::nullopt;
    }
    std::filesystem::path path = *folder / std::string(kSocketName);
    if (path.string().size() > kMaxSocketPath) {
        return std::nullopt;
    }
    return path;
}

} // namespace pixelon::debugsocket
