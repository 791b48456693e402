#include "installer/DebugChannel.h"
#include "installer/VerrinCore.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pixelon::verrin {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHelper = "RezeRazovu.exe";
constexpr std::chrono::milliseconds kHelperWait{10000};

std::optional<std::string> readText(const Registry& registry, std::string_view name) {
    return registry.readString(Hive::LocalMachine, kKey, name);
}

// Copies `source` to a new file `target` that only this user can run. Whatever stood at `target`
// is removed first and the copy is created exclusively, so a file or link planted in a shared
// temporary folder is never written through nor run. Returns the error text, empty on success.
std::string copyExclusively(const fs::path& source, const fs::path& target) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return std::strerror(errno);
    }
    ::unlink(target.c_str());
    const int out =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return std::strerror(e);
    }
    std::string error;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? std::strerror(errno) : "";
            break;
        }
        for (ssize_t done = 0; done < n && error.empty();) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno != EINTR) {
                error = std::strerror(errno);
            } else if (w > 0) {
                done += w;
            }
        }
        if (!error.empty()) {
            break;
        }
    }
    if (::close(out) != 0 && error.empty()) {
        error = std::strerror(errno);
    }
    ::close(in);
    if (!error.empty()) {
        ::unlink(target.c_str());
    }
    return error;
}

// Deletes a file now, or at the next load of the library when it cannot be deleted now.
void deleteOrSchedule(const fs::path& file) {
    std::error_code ec;
    if (file.empty() || !fs::exists(fs::symlink_status(file, ec)) || fs::remove(file, ec)) {
        return;
    }
    if (scheduleDeletion(file)) {
        debugLog(1, "VerrinDLL::Uninstall %s will be deleted at the next start", file.c_str());
    } else {
        debugLog(0, "VerrinDLL::Uninstall cannot delete %s: %s", file.c_str(),
                 ec.message().c_str());
    }
}

// Runs the uninstaller on one log and waits for it to end. Returns true when it started.
bool runUninstaller(const fs::path& exe, const std::string& log, const fs::path& helper) {
    if (!helper.empty()) {
        // The helper stops the component's processes so the uninstaller can remove their files;
        // it is given a short while to finish before the uninstaller starts.
        const SpawnResult h = spawnProcess(helper, {});
        if (h.started()) {
            CProcess helperProcess(h.pid);
            if (!helperProcess.wait(
                    std::min<std::chrono::milliseconds>(waitLimit(), kHelperWait))) {
                debugLog(0, "VerrinDLL::Uninstall %s is still running", helper.c_str());
            }
        } else {
            debugLog(0, "VerrinDLL::Uninstall cannot start %s: %s", helper.c_str(),
                     std::strerror(h.error));
        }
    }
    debugLog(1, "VerrinDLL::Uninstall running %s %s", exe.c_str(), log.c_str());
    const SpawnResult started = spawnProcess(exe, {log});
    if (!started.started()) {
        debugLog(0, "VerrinDLL::Uninstall cannot start %s: %s", exe.c_str(),
                 std::strerror(started.error));
        return false;
    }
    CProcess process(started.pid);
    CSetupWait wait(SetupMarkers{}, systemClock(), waitLimit());
    const WaitState end =
        wait.run([&](std::chrono::milliseconds slice) { return process.wait(slice).has_value(); },
                 [](WaitState state, std::string_view text) {
                     debugLog(state == WaitState::TimedOut ? 0 : 1, "%.*s",
                              static_cast<int>(text.size()), text.data());
                 });
    debugLog(1, "VerrinDLL::Uninstall %s %s", exe.c_str(),
             end == WaitState::TimedOut ? "did not end in time" : "ended");
    deleteOrSchedule(log);
    return true;
}

} // namespace

std::uint32_t refCount(const Registry& registry) {
    return registry.readDword(Hive::LocalMachine, kKey, "Refcount").value_or(0);
}

int uninstall(bool startKillHelper) {
    Registry registry = Registry::fromEnvironment();
    const std::uint32_t count = refCount(registry);
    debugLog(1, "VerrinDLL::Uninstall dwRefCount=%u", count);
    if (count != 1) {
        std::uint32_t remaining = 0;
        const bool written = count == 0 || registry.update(Hive::LocalMachine, [&](HiveData& hive) {
            const auto v = hive.value(kKey, "Refcount");
            const auto* number = v ? std::get_if<std::uint32_t>(&*v) : nullptr;
            // A missing count is 0, and a count never goes below 0.
            remaining = number != nullptr && *number > 0 ? *number - 1 : 0;
            if (number != nullptr) {
                hive.setValue(kKey, "Refcount", remaining);
            }
        });
        if (!written) {
            debugLog(0, "VerrinDLL::DecRefCounter cannot write %s",
                     registry.path(Hive::LocalMachine).c_str());
        }
        debugLog(1, "VerrinDLL::DecRefCounter new value of dwRefCount=%i",
                 static_cast<int>(remaining));
        debugLog(1,
                 "The software is not uninstalled since there are other programs that uses it. "
                 "Number of remaining users : %i",
                 static_cast<int>(remaining));
        return 0;
    }

    const auto path = readText(registry, "Path");
    fs::path helper;
    if (path) {
        const fs::path source = fs::path(*path) / kHelper;
        const fs::path copy = tempFolder() / kHelper;
        if (const std::string error = copyExclusively(source, copy); !error.empty()) {
            debugLog(0, "VerrinDLL::Uninstall cannot copy %s to %s: %s", source.c_str(),
                     copy.c_str(), error.c_str());
        } else {
            helper = copy;
        }
    } else {
        debugLog(0, "VerrinDLL::Uninstall the value \"Path\" is missing");
    }

    const auto exe = readText(registry, "UninstallExe");
    const auto tsLog = readText(registry, "UninstallTSLog");
    const auto log = readText(registry, "UninstallLog");
    const fs::path killHelper = startKillHelper ? helper : fs::path{};
    bool ran = false;
    if (exe && tsLog) {
        ran = runUninstaller(*exe, *tsLog, killHelper) || ran;
    }
    if (exe && log) {
        ran = runUninstaller(*exe, *log, killHelper) || ran;
    }
    deleteOrSchedule(helper);
    return ran ? 1 : 0;
}

bool verrinPath(std::span<char> buffer) {
    copyBounded(buffer, "");
    const auto path = readText(Registry::fromEnvironment(), "Path");
    if (!path || path->size() < 3 || path->size() >= buffer.size()) {
        return false;
    }
    copyBounded(buffer, *path);
    return true;
}

bool isQlxName(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.ends_with(".exe")) {
        lower.resize(lower.size() - 4);
    }
    return lower == "qlxworker" || lower.find("qlxwor~") != std::string::npos;
}

bool anyQlxProcess(const std::vector<ProcessInfo>& processes) {
    return std::any_of(processes.begin(), processes.end(),
                       [](const ProcessInfo& p) { return isQlxName(p.name); });
}

} // namespace pixelon::verrin
