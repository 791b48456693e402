#pragma once

#include <chrono>

namespace pixelon::obex {

using SteadyClock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, 0 once it has passed: the time-out of the next wait.
inline int remainingMs(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() < 0 ? 0 : int(left.count());
}

} // namespace pixelon::obex
