#include "core/TemporaryFiles.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace pixelon {

namespace {

// A place is free, being filled, or holds a path the handler may remove. Only lock-free
// atomics and unlink are used from the handler, which may run at any point of a save.
enum PlaceState : int { Free, Filling, Recorded };

struct Place {
    std::atomic<int> state{Free};
    char path[PATH_MAX] = {};
};

// More than the saves the program ever has under way at once (a few nested at most).
std::array<Place, 16> places;

static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void removeAndEnd(int signal) {
    for (Place& place : places)
        if (place.state.load() == Recorded)
            ::unlink(place.path);
    // The default action ends the program once the handler returns, with the signal as its
    // cause, as it would have ended without the handler.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Does nothing: with a handler in place, a write past the file size limit fails with EFBIG
// instead of ending the program. Unlike an ignored signal, a handler is not passed on to the
// programs this one starts.
extern "C" void ignoreFileSizeLimit(int) {}

// The signals that end the program and remove the recorded files first.
constexpr int TerminationSignalList[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : TerminationSignalList)
        sigaddset(&set, signal);
    return set;
}

} // namespace

int RecordTemporaryFile(const char* path) noexcept {
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return -1;
    for (std::size_t i = 0; i < places.size(); ++i) {
        int expected = Free;
        if (!places[i].state.compare_exchange_strong(expected, Filling))
            continue;
        std::memcpy(places[i].path, path, length + 1);
        places[i].state.store(Recorded);
        return int(i);
    }
    return -1;
}

void ForgetTemporaryFile(int place) noexcept {
    if (place >= 0 && std::size_t(place) < places.size())
        places[std::size_t(place)].state.store(Free);
}

TerminationSignalsHeld::TerminationSignalsHeld() noexcept {
    const sigset_t held = TerminationSignals();
    m_held = ::pthread_sigmask(SIG_BLOCK, &held, &m_previous) == 0;
}

void TerminationSignalsHeld::Release() noexcept {
    if (m_held)
        ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    m_held = false;
}

void RemoveTemporaryFilesOnSignals() noexcept {
    for (const int signal : TerminationSignalList) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeAndEnd;
        // Another of these signals during the removal waits; it would only end the program.
        action.sa_mask = TerminationSignals();
        ::sigaction(signal, &action, nullptr);
    }
    // Past the size limit (ulimit -f), SIGXFSZ would end the program in the middle of a save
    // and leave its hidden file; the write fails instead, as on a full disk, and the save
    // removes its file and reports it.
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        struct sigaction action {};
        action.sa_handler = ignoreFileSizeLimit;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGXFSZ, &action, nullptr);
    }
}

} // namespace pixelon
