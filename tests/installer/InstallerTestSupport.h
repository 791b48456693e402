#pragma once

#include "installer/verrin.h"
#include "platform/Process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace pixelon::testing {

namespace fs = std::filesystem;

// The build folder: $PIXELON_BINARY_DIR, else two levels above this test program
// (<build>/tests/installer/installer_tests).
inline fs::path binaryDir() {
    if (const char* dir = std::getenv("PIXELON_BINARY_DIR"); dir != nullptr && *dir != 0) {
        return dir;
    }
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : self.parent_path().parent_path().parent_path();
}

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "verrin-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return m_path; }
    fs::path operator/(std::string_view name) const { return m_path / name; }

private:
    fs::path m_path;
};

// Sets an environment variable for the life of the object, then restores the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old) {
            ::setenv(m_name.c_str(), m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

inline void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

inline std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeScript(const fs::path& file, const std::string& body) {
    writeFile(file, "#!/bin/sh\n" + body);
    fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

// Polls `done` every 10 ms for at most `limit`.
template <typename F> bool eventually(F done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Runs a shell command line, with stdout to `out`, for at most `limit`; returns the exit code
// or -1 when it had to be killed.
inline int runShell(const std::string& command,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const SpawnResult r = spawnProcess("/bin/sh", {"-c", command});
    if (!r.started()) {
        return -1;
    }
    CProcess p(r.pid);
    if (auto exit = p.wait(limit)) {
        return exit->signalled ? -1 : exit->code;
    }
    p.kill(SIGKILL);
    p.wait(std::chrono::seconds(2));
    return -1;
}

// The real libverrin.so, loaded once for the test program.
struct Verrin {
    int (*installWise)(const DLLCALLPARAMS*);
    int (*install)(const VERRINPARAMS*);
    std::uint32_t (*getRefCounter)();
    int (*uninstall)(int);
    int (*getVerrinPath)(char*, std::uint32_t);
    int (*isQlxActive)();

    static const Verrin& get() {
        static const Verrin verrin = load();
        return verrin;
    }

private:
    static Verrin load() {
        const fs::path lib = binaryDir() / "installer" / "libverrin.so";
        void* h = ::dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr) {
            throw std::runtime_error(std::string("dlopen: ") + ::dlerror());
        }
        auto sym = [h](const char* name) {
            void* p = ::dlsym(h, name);
            if (p == nullptr) {
                throw std::runtime_error(std::string("missing export ") + name);
            }
            return p;
        };
        Verrin v{};
        v.installWise = reinterpret_cast<decltype(v.installWise)>(sym("InstallWise"));
        v.install = reinterpret_cast<decltype(v.install)>(sym("Install"));
        v.getRefCounter = reinterpret_cast<decltype(v.getRefCounter)>(sym("GetRefCounter"));
        v.uninstall = reinterpret_cast<decltype(v.uninstall)>(sym("Uninstall"));
        v.getVerrinPath = reinterpret_cast<decltype(v.getVerrinPath)>(sym("GetVerrinPath"));
        v.isQlxActive = reinterpret_cast<decltype(v.isQlxActive)>(sym("IsQLXActive"));
        return v;
    }
};

} // namespace pixelon::testing
