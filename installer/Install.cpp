#include "installer/DebugChannel.h"
#include "installer/VerrinCore.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "platform/Registry.h"

#include <cstdio>
#include <cstring>

namespace pixelon::verrin {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTerminating =
    "Terminating setup!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!";

void removeQuietly(const fs::path& file) {
    std::error_code ec;
    fs::remove(file, ec);
}

WaitState runStep(const fs::path& folder, std::string_view setup, const fs::path& program,
                  std::string_view parameters, bool visible) {
    const fs::path temp = tempFolder();
    const SetupMarkers markers = setupMarkers(temp, setup);
    // Markers left by an earlier run would end this wait at once.
    for (const auto& stale : {markers.running, markers.ready, markers.aborted,
                              temp / "szFile_ADDREF.000", temp / "szFile_SILENT.000"}) {
        removeQuietly(stale);
    }
    debugLog(1, "VerrinDLL::Install starting %s in %s", program.c_str(), folder.c_str());
    return runSetup(program, parameters, markers, visible);
}

// The restart request of a setup: a file "reboot" in the current folder or a "Reboot" value,
// both removed once read.
bool takeRestartRequest() {
    std::error_code ec;
    const bool file = fs::exists("reboot", ec);
    bool value = false;
    try {
        Registry registry = Registry::fromEnvironment();
        value = registry.load(Hive::LocalMachine).value(kKey, "Reboot").has_value();
        if (value && !registry.deleteValue(Hive::LocalMachine, kKey, "Reboot")) {
            debugLog(0, "VerrinDLL::IsReboot cannot delete the value \"Reboot\" in %s",
                     registry.path(Hive::LocalMachine).c_str());
        }
    } catch (const std::exception& e) {
        debugLog(0, "VerrinDLL::IsReboot registry error: %s", e.what());
    }
    const bool reboot = file || value;
    debugLog(1, "VerrinDLL::IsReboot = %i", reboot ? 1 : 0);
    removeQuietly("reboot");
    return reboot;
}

void logFields(const VERRINPARAMS& p, const CParamsView& view) {
    auto text = [&](std::uint32_t offset) { return view.text(offset).value_or("(none)"); };
    debugLog(2, "VERRINPARAMS.bInstallFromInet %i", static_cast<int>(p.bInstallFromInet));
    debugLog(2, "VERRINPARAMS.bIsUpgrade %i", static_cast<int>(p.bIsUpgrade));
    debugLog(2, "VERRINPARAMS.hWnd 0x%08x", p.hWnd);
    debugLog(2, "VERRINPARAMS.bVisible %i", static_cast<int>(p.bVisible));
    debugLog(2, "VERRINPARAMS.szPath %s", text(p.szPath).c_str());
    debugLog(2, "VERRINPARAMS.bNeedRestart %u", p.bNeedRestart);
    debugLog(2, "VERRINPARAMS.LanguageId %i", static_cast<int>(p.LanguageId));
    debugLog(2, "VERRINPARAMS.szInstallPath %s", text(p.szInstallPath).c_str());
    if (p.sizeOfStruct == VERRINPARAMS_SIZE_LONG) {
        debugLog(2, "VERRINPARAMS.szTSPath %s", text(p.szTSPath).c_str());
        debugLog(2, "VERRINPARAMS.bInstallTS %i", static_cast<int>(p.bInstallTS));
    }
}

} // namespace

std::size_t copyBounded(std::span<char> buffer, std::string_view text) {
    if (buffer.empty()) {
        return 0;
    }
    const std::size_t n = std::min(text.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), text.data(), n);
    buffer[n] = 0;
    return n;
}

std::optional<std::string> CParamsView::text(std::uint32_t offset) const {
    if (offset == 0 || offset < m_params.sizeOfStruct) {
        return std::nullopt;
    }
    const char* start = reinterpret_cast<const char*>(&m_params) + offset;
    const std::size_t length = strnlen(start, kMaxText);
    if (length == kMaxText) {
        return std::nullopt;
    }
    return std::string(start, length);
}

bool CParamsView::setFlag(std::uint32_t offset, std::uint32_t value) const {
    if (offset == 0 || offset < m_params.sizeOfStruct) {
        return false;
    }
    // The caller's block is writable: the flag is an output field.
    char* target = const_cast<char*>(reinterpret_cast<const char*>(&m_params)) + offset;
    std::memcpy(target, &value, sizeof value);
    return true;
}

std::string setupParameters(bool upgrade, std::uint32_t languageId, std::string_view installPath) {
    std::string s =
        upgrade ? "/S $0$ Addref=FALSE $1$ LanguageID=" : "/S $0$ Addref=TRUE $1$ LanguageID=";
    s += std::to_string(static_cast<int>(languageId));
    s += " $2$ InstallPath=";
    s += installPath;
    return s;
}

WaitState runSetup(const fs::path& program, std::string_view parameters,
                   const SetupMarkers& markers, bool visible) {
    debugLog(1, "VerrinDLL::RunSetup %s %.*s", program.c_str(), static_cast<int>(parameters.size()),
             parameters.data());
    // Started directly rather than through the desktop's opener: a file that cannot run must
    // fail here, not count as a setup that ended.
    const SpawnResult started = spawnProcess(program, splitCommandLine(parameters));
    if (!started.started()) {
        debugLog(0, "VerrinDLL::RunSetup cannot start %s: %s", program.c_str(),
                 std::strerror(started.error));
        return WaitState::Aborted;
    }
    CProcess process(started.pid);
    CSetupWait wait(markers, systemClock(), waitLimit());
    const WaitState end =
        wait.run([&](std::chrono::milliseconds slice) { return process.wait(slice).has_value(); },
                 [&](WaitState state, std::string_view text) {
                     debugLog(state == WaitState::TimedOut ? 0 : 1, "%.*s",
                              static_cast<int>(text.size()), text.data());
                     if (visible) {
                         std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
                     }
                 });
    if (const auto& status = process.exitStatus()) {
        debugLog(1, "VerrinDLL::RunSetup %s ended with %s %i", program.c_str(),
                 status->signalled ? "signal" : "status", status->code);
    }
    return end;
}

int install(const VERRINPARAMS* params) {
    if (params == nullptr) {
        debugLog(0, "VerrinDLL::Install called without parameters");
        return 0;
    }
    const std::uint32_t size = params->sizeOfStruct;
    debugLog(1, "VERRINPARAMS.sizeOfStruct %i", static_cast<int>(size));
    if (size != VERRINPARAMS_SIZE_SHORT && size != VERRINPARAMS_SIZE_LONG) {
        debugLog(0, "Unsupported size of struct = %i", static_cast<int>(size));
        debugLog(0, "%s", kTerminating);
        return 0;
    }
    // Only the fields the caller's form has are read; the others stay zero.
    VERRINPARAMS p{};
    std::memcpy(&p, params, size);
    const CParamsView view(*params);
    logFields(p, view);

    const fs::path temp = tempFolder();
    removeQuietly(temp / "szFile_VERRINUNINSTALL_IS_NEARLY_READY.000");
    view.setFlag(p.bNeedRestart, 0);

    bool completed = false;
    const auto installPath = view.text(p.szInstallPath);
    if (!installPath || installPath->empty()) {
        debugLog(0, "DoInstall has a bad StringPr in lpParams->szInstallPath");
    } else {
        const std::string parameters =
            setupParameters(p.bIsUpgrade != 0, p.LanguageId, *installPath);
        completed = runStep(*installPath, "VERRINSETUP", fs::path(*installPath) / "verrin.exe",
                            parameters, p.bVisible != 0) == WaitState::Ready;
    }
    if (size == VERRINPARAMS_SIZE_LONG && p.bInstallTS != 0) {
        const auto tsPath = view.text(p.szTSPath);
        if (!completed) {
            debugLog(0, "DoInstallTS skipped since the main setup did not complete");
        } else if (!tsPath || tsPath->empty()) {
            debugLog(0, "DoInstallTS has a bad StringPr in lpParams->szTSPath");
            completed = false;
        } else {
            const std::string parameters =
                setupParameters(p.bIsUpgrade != 0, p.LanguageId, *installPath);
            completed = runStep(*tsPath, "TSSETUP", fs::path(*tsPath) / "ts.exe", parameters,
                                p.bVisible != 0) == WaitState::Ready;
        }
    }
    if (takeRestartRequest()) {
        view.setFlag(p.bNeedRestart, 1);
    }
    debugLog(1, "VerrinDLL::Install returns %i", completed ? 1 : 0);
    return completed ? 1 : 0;
}

} // namespace pixelon::verrin
