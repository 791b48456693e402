#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace pixelon {

class Clock;

// The marker files through which a setup program reports its progress. An empty path is a
// marker the setup does not use.
struct SetupMarkers {
    std::filesystem::path running;
    std::filesystem::path ready;
    std::filesystem::path aborted;
};

// The temporary folder: $TMPDIR when set, else /tmp.
std::filesystem::path tempFolder();
// The markers of the main setup ("VERRINSETUP") or of the second one ("TSSETUP").
SetupMarkers setupMarkers(const std::filesystem::path& folder, std::string_view setup);

enum class WaitState { Loading, Running, Ready, Aborted, TimedOut };

std::string_view waitText(WaitState state);
bool isEndState(WaitState state);

// The state the markers and the process show: an aborted marker wins over a ready one, and a
// ready marker or an ended process ends the wait as ready.
WaitState currentWaitState(const SetupMarkers& markers, bool processEnded);

// Default overall limit of one wait, overridden by $VERRIN_WAIT_LIMIT (seconds).
inline constexpr std::uint32_t kDefaultWaitLimitSeconds = 1800;
std::chrono::milliseconds waitLimit();

// Checks the setup once a second until it ends or the limit passes. `waitForEnd` blocks up to
// the given time and returns true once the process has ended (it may return early); `show`
// receives each new status text. The clock measures the limit.
class CSetupWait {
public:
    using WaitForEnd = std::function<bool(std::chrono::milliseconds)>;
    using Show = std::function<void(WaitState, std::string_view)>;

    CSetupWait(SetupMarkers markers, Clock& clock, std::chrono::milliseconds limit)
        : m_markers(std::move(markers)), m_clock(clock), m_limit(limit) {}

    WaitState run(const WaitForEnd& waitForEnd, const Show& show);

private:
    SetupMarkers m_markers;
    Clock& m_clock;
    std::chrono::milliseconds m_limit;
};

} // namespace pixelon
