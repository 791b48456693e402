#include "installer/SetupWait.h"

#include "platform/Clock.h"

#include <charconv>
#include <cstdlib>
#include <optional>

namespace pixelon {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kTick{1000};

bool markerExists(const fs::path& marker) {
    std::error_code ec;
    return !marker.empty() && fs::exists(marker, ec);
}

} // namespace

fs::path tempFolder() {
    if (const char* dir = std::getenv("TMPDIR"); dir != nullptr && *dir != 0) {
        return dir;
    }
    return "/tmp";
}

SetupMarkers setupMarkers(const fs::path& folder, std::string_view setup) {
    const std::string stem = "szFile_" + std::string(setup) + "_EXE_";
    return {folder / (stem + "RUNNING.000"), folder / (stem + "READY.000"),
            folder / (stem + "ABORTED.000")};
}

std::string_view waitText(WaitState state) {
    switch (state) {
    case WaitState::Loading:
        return "Waiting for Norvane Mobile Phone Communication Software Setup to load and "
               "start....";
    case WaitState::Running:
        return "Waiting for Norvane Mobile Phone Communication Software Setup to complete\r";
    case WaitState::Ready:
        return "Norvane Mobile Phone Communication Software Setup is ready!";
    case WaitState::Aborted:
        return "Verrin setup aborted.";
    case WaitState::TimedOut:
        return "Norvane Mobile Phone Communication Software Setup did not complete in time.";
    }
    return {};
}

bool isEndState(WaitState state) {
    return state == WaitState::Ready || state == WaitState::Aborted || state == WaitState::TimedOut;
}

WaitState currentWaitState(const SetupMarkers& markers, bool processEnded) {
    if (markerExists(markers.aborted)) {
        return WaitState::Aborted;
    }
    if (markerExists(markers.ready) || processEnded) {
        return WaitState::Ready;
    }
    return markerExists(markers.running) ? WaitState::Running : WaitState::Loading;
}

std::chrono::milliseconds waitLimit() {
    std::uint32_t seconds = kDefaultWaitLimitSeconds;
    if (const char* text = std::getenv("VERRIN_WAIT_LIMIT"); text != nullptr) {
        const std::string_view s = text;
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (ec == std::errc{} && end == s.data() + s.size() && value > 0) {
            seconds = value;
        }
    }
    return std::chrono::seconds(seconds);
}

WaitState CSetupWait::run(const WaitForEnd& waitForEnd, const Show& show) {
    const std::uint64_t start = m_clock.tickCount();
    const auto limit = static_cast<std::uint64_t>(m_limit.count());
    std::optional<WaitState> shown;
    bool ended = false;
    for (;;) {
        const WaitState state = currentWaitState(m_markers, ended);
        if (state != shown) {
            show(state, waitText(state));
            shown = state;
        }
        if (isEndState(state)) {
            return state;
        }
        const std::uint64_t elapsed = m_clock.tickCount() - start;
        if (elapsed >= limit) {
            show(WaitState::TimedOut, waitText(WaitState::TimedOut));
            return WaitState::TimedOut;
        }
        const auto slice = std::chrono::milliseconds(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(kTick.count()), limit - elapsed));
        const std::uint64_t before = m_clock.tickCount();
        ended = waitForEnd(slice);
        // A wait that returned early because the process ended is checked at once; otherwise
        // the next check follows a full tick.
        const std::uint64_t spent = m_clock.tickCount() - before;
        if (!ended && spent < static_cast<std::uint64_t>(slice.count())) {
            m_clock.sleep(static_cast<std::uint32_t>(slice.count() - spent));
        }
    }
}

} // namespace pixelon
