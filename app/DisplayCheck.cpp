#include "app/DisplayCheck.h"

#include <dlfcn.h>

#include <cstring>

namespace pixelon::app {

std::string requestedPlatform(const std::vector<std::string>& args, const char* envPlatform) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "-platform" || a == "--platform") && i + 1 < args.size())
            return args[i + 1];
        for (const char* prefix : {"-platform=", "--platform="})
            if (a.rfind(prefix, 0) == 0)
                return a.substr(std::strlen(prefix));
    }
    return envPlatform ? envPlatform : "";
}

std::optional<std::string> displayProblem(const std::string& platform, const char* display,
                                          const char* waylandDisplay,
                                          bool (*connect)(const char* display)) {
    // "xcb:option=value" and "xcb;offscreen" name the platform before the first ':' or ';'.
    std::string name = platform.substr(0, platform.find_first_of(":;"));
    bool hasDisplay = display && *display;
    bool hasWayland = waylandDisplay && *waylandDisplay;
    if (!name.empty() && name != "xcb")
        return std::nullopt; // offscreen, wayland, vnc...: Qt knows what they need
    if (!hasDisplay) {
        if (name.empty() && hasWayland)
            return std::nullopt;
        return std::string("vistrel: no display to show the window on (DISPLAY is not set); "
                           "use -platform offscreen to run without one");
    }
    if (connect && !connect(display)) {
        if (name.empty() && hasWayland)
            return std::nullopt;
        return "vistrel: cannot open display \"" + std::string(display) + "\"";
    }
    return std::nullopt;
}

bool canConnectToX(const char* display) {
    void* lib = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return true;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(lib, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(lib, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(lib, "xcb_disconnect"));
    bool ok = true;
    if (connect && hasError && disconnect) {
        // xcb_connect never returns null; a failed connection reports an error code instead.
        void* c = connect(display, nullptr);
        ok = hasError(c) == 0;
        disconnect(c);
    }
    dlclose(lib);
    return ok;
}

} // namespace pixelon::app
