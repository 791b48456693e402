#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace pixelon {

std::uint64_t SystemClock::tickCount() {
    using namespace std::chrono;
    return std::uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::sleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

} // namespace pixelon
