// The C entry points of libverrin.so. No exception may cross into the calling setup program, so
// each export catches everything and reports a failure.

#include "installer/DebugChannel.h"
#include "installer/VerrinCore.h"
#include "platform/Process.h"
#include "platform/Registry.h"

#include <exception>

namespace {

using namespace pixelon;

template <typename F>
auto guarded(const char* name, decltype(std::declval<F>()()) failure, F&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        try {
            debugLog(0, "VerrinDLL::%s failed: %s", name, e.what());
        } catch (...) {
        }
    } catch (...) {
    }
    return failure;
}

// Files that an earlier uninstall could not delete are deleted when the library is next loaded.
__attribute__((constructor)) void deletePendingFiles() {
    try {
        processPendingDeletions();
    } catch (...) {
    }
}

} // namespace

extern "C" {

int InstallWise(const DLLCALLPARAMS* params) {
    return guarded("InstallWise", 1, [&] { return verrin::installWise(params); });
}

int Install(const VERRINPARAMS* params) {
    return guarded("Install", 0, [&] { return verrin::install(params); });
}

uint32_t GetRefCounter(void) {
    return guarded("GetRefCounter", 0u, [] {
        const std::uint32_t count = verrin::refCount(Registry::fromEnvironment());
        debugLog(1, "VerrinDLL::GetRefCounter dwRefCount=%u", count);
        return count;
    });
}

int Uninstall(int bStartKillHelper) {
    return guarded("Uninstall", 0, [&] { return verrin::uninstall(bStartKillHelper != 0); });
}

int GetVerrinPath(char* buffer, uint32_t bufferSize) {
    return guarded("GetVerrinPath", 0, [&] {
        if (buffer == nullptr) {
            return 0;
        }
        return verrin::verrinPath(std::span<char>(buffer, bufferSize)) ? 1 : 0;
    });
}

int IsQLXActive(void) {
    return guarded("IsQLXActive", 0, [] {
        const bool active = verrin::anyQlxProcess(listProcesses());
        debugLog(1, "VerrinDLL::IsQLXActive %i", active ? 1 : 0);
        return active ? 1 : 0;
    });
}

} // extern "C"
