// verrin-cli: loads libverrin.so and calls one of its exports with values from the command line,
// printing what it returns.

#include "installer/verrin.h"
#include "platform/Process.h"
#include "platform/Version.h"

// The package's library folder, relative to the installed tree (set by the build).
#ifndef PIXELON_PUBLIC_LIBDIR
#define PIXELON_PUBLIC_LIBDIR "lib"
#endif

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kHelp =
    "Usage: verrin-cli [--lib PATH] COMMAND [OPTIONS]\n"
    "\n"
    "Calls an export of libverrin.so.1 (by default the one beside this program, else the one\n"
    "in ../" PIXELON_PUBLIC_LIBDIR "/, else the loader's) and prints its result. The exit status\n"
    "is 0 when the call was made, 1 on a usage or loading error.\n"
    "\n"
    "Commands:\n"
    "  install        Install with a VERRINPARAMS structure built from:\n"
    "                   --size N           sizeOfStruct (default 44; 36 is the short form)\n"
    "                   --install-path P   szInstallPath\n"
    "                   --ts-path P        szTSPath      --install-ts   bInstallTS = 1\n"
    "                   --upgrade          bIsUpgrade = 1\n"
    "                   --visible          bVisible = 1  --inet         bInstallFromInet = 1\n"
    "                   --language N       LanguageId (default 1033)\n"
    "                   --path TEXT        szPath        --hwnd N       hWnd\n"
    "                 prints \"Install returned R\" and \"restart needed F\"\n"
    "  install-wise NAME=VALUE...\n"
    "                 InstallWise with the installer variables given (for example\n"
    "                 INSTALLPATH=/opt/x VISIBLE=TRUE); each is stored as %NAME%\n"
    "  refcount       GetRefCounter\n"
    "  uninstall [--kill-helper]\n"
    "                 Uninstall, starting the kill helper first with --kill-helper\n"
    "  path [--size N]\n"
    "                 GetVerrinPath with a buffer of N bytes (default 260)\n"
    "  qlx            IsQLXActive\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Library {
public:
    explicit Library(const fs::path& path)
        : m_handle(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (m_handle == nullptr) {
            const char* why = ::dlerror();
            throw std::runtime_error("cannot load " + path.string() + ": " + (why ? why : "?"));
        }
    }
    ~Library() { ::dlclose(m_handle); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    template <typename F> F symbol(const char* name) const {
        void* p = ::dlsym(m_handle, name);
        if (p == nullptr) {
            throw std::runtime_error(std::string("the library does not export ") + name);
        }
        return reinterpret_cast<F>(p);
    }

private:
    void* m_handle;
};

fs::path defaultLibrary(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        self = fs::absolute(argv0, ec);
    }
    // Beside the program in a build folder; in an installed tree, the library folder next to
    // bin/; else whatever the loader finds by the soname alone.
    const fs::path found =
        pixelon::companionFile(self.parent_path(), "libverrin.so.1", PIXELON_PUBLIC_LIBDIR);
    return found.empty() ? fs::path("libverrin.so.1") : found;
}

std::uint32_t number(std::string_view option, const char* text) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (end == text || *end != 0 || errno != 0 || v > 0xFFFFFFFFull) {
        throw UsageError(std::string(option) + " needs a 32-bit number, not \"" + text + "\"");
    }
    return static_cast<std::uint32_t>(v);
}

// A VERRINPARAMS with its texts and restart flag after it, named by offset.
struct InstallBlock {
    VERRINPARAMS params;
    std::uint32_t needRestart;
    char path[4096];
    char installPath[4096];
    char tsPath[4096];
};

void copyText(char (&target)[4096], std::string_view option, const char* text) {
    if (std::strlen(text) >= sizeof target) {
        throw UsageError(std::string(option) + " is too long");
    }
    std::strcpy(target, text);
}

int runInstall(const Library& lib, std::vector<const char*> args) {
    auto block = std::make_unique<InstallBlock>();
    InstallBlock& b = *block;
    b.params.sizeOfStruct = VERRINPARAMS_SIZE_LONG;
    b.params.LanguageId = 1033;
    b.params.bNeedRestart = offsetof(InstallBlock, needRestart);
    b.needRestart = 0xFFFFFFFFu; // shows whether the library wrote the flag
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= args.size()) {
                throw UsageError(std::string(a) + " needs a value");
            }
            return args[++i];
        };
        if (a == "--size") {
            b.params.sizeOfStruct = number(a, value());
        } else if (a == "--install-path") {
            copyText(b.installPath, a, value());
            b.params.szInstallPath = offsetof(InstallBlock, installPath);
        } else if (a == "--ts-path") {
            copyText(b.tsPath, a, value());
            b.params.szTSPath = offsetof(InstallBlock, tsPath);
        } else if (a == "--path") {
            copyText(b.path, a, value());
            b.params.szPath = offsetof(InstallBlock, path);
        } else if (a == "--language") {
            b.params.LanguageId = number(a, value());
        } else if (a == "--hwnd") {
            b.params.hWnd = number(a, value());
        } else if (a == "--install-ts") {
            b.params.bInstallTS = 1;
        } else if (a == "--upgrade") {
            b.params.bIsUpgrade = 1;
        } else if (a == "--visible") {
            b.params.bVisible = 1;
        } else if (a == "--inet") {
            b.params.bInstallFromInet = 1;
        } else {
            throw UsageError("install: unknown option \"" + std::string(a) + "\"");
        }
    }
    const int r = lib.symbol<int (*)(const VERRINPARAMS*)>("Install")(&b.params);
    std::printf("Install returned %d\n", r);
    if (b.needRestart == 0xFFFFFFFFu) {
        std::printf("restart needed (not set)\n");
    } else {
        std::printf("restart needed %u\n", b.needRestart);
    }
    return 0;
}

int runInstallWise(const Library& lib, const std::vector<const char*>& args) {
    std::vector<std::string> names, values;
    for (const char* a : args) {
        const char* eq = std::strchr(a, '=');
        if (eq == nullptr || eq == a) {
            throw UsageError("install-wise takes NAME=VALUE arguments, not \"" + std::string(a) +
                             "\"");
        }
        names.push_back("%" + std::string(a, eq) + "%");
        values.emplace_back(eq + 1);
    }
    std::vector<DLLCALLVARIABLE> table;
    for (std::size_t i = 0; i < names.size(); ++i) {
        table.push_back({names[i].c_str(), values[i].c_str()});
    }
    DLLCALLPARAMS block{};
    block.nVariables = static_cast<std::uint32_t>(table.size());
    block.pVariables = table.data();
    const int r = lib.symbol<int (*)(const DLLCALLPARAMS*)>("InstallWise")(&block);
    std::printf("InstallWise returned %d\n", r);
    return 0;
}

int run(int argc, char** argv) {
    fs::path libPath = defaultLibrary(argv[0]);
    int i = 1;
    for (; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--version") {
            pixelon::PrintVersion("verrin-cli");
            return 0;
        }
        if (a == "--lib" && i + 1 < argc) {
            libPath = argv[++i];
        } else if (a.starts_with("--lib=")) {
            libPath = std::string(a.substr(6));
        } else {
            break;
        }
    }
    if (i >= argc) {
        throw UsageError("no command given (see --help)");
    }
    const std::string_view command = argv[i];
    std::vector<const char*> rest(argv + i + 1, argv + argc);
    for (const char* a : rest) {
        if (std::string_view(a) == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    Library lib(libPath);
    if (command == "install") {
        return runInstall(lib, rest);
    }
    if (command == "install-wise") {
        return runInstallWise(lib, rest);
    }
    if (command == "refcount" && rest.empty()) {
        std::printf("%u\n", lib.symbol<std::uint32_t (*)()>("GetRefCounter")());
        return 0;
    }
    if (command == "uninstall" && rest.size() <= 1) {
        const bool kill = rest.size() == 1 && std::string_view(rest[0]) == "--kill-helper";
        if (rest.size() == 1 && !kill) {
            throw UsageError("uninstall: unknown option \"" + std::string(rest[0]) + "\"");
        }
        std::printf("Uninstall returned %d\n", lib.symbol<int (*)(int)>("Uninstall")(kill ? 1 : 0));
        return 0;
    }
    if (command == "path") {
        std::uint32_t size = 260;
        if (rest.size() == 2 && std::string_view(rest[0]) == "--size") {
            size = number("--size", rest[1]);
        } else if (!rest.empty()) {
            throw UsageError("path takes only --size N");
        }
        std::vector<char> buffer(std::max<std::uint32_t>(size, 1), '#');
        const int ok =
            lib.symbol<int (*)(char*, std::uint32_t)>("GetVerrinPath")(buffer.data(), size);
        std::printf("GetVerrinPath returned %d\n", ok);
        if (ok != 0) {
            std::printf("%s\n", buffer.data());
        }
        return 0;
    }
    if (command == "qlx" && rest.empty()) {
        std::printf("IsQLXActive returned %d\n", lib.symbol<int (*)()>("IsQLXActive")());
        return 0;
    }
    throw UsageError("unknown command or arguments: \"" + std::string(command) + "\" (see --help)");
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "verrin-cli: %s\n", e.what());
        return 1;
    }
}
