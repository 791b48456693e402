#pragma once

#include <cstdint>

namespace pixelon {

// Time for blocking loops: a millisecond tick count and a sleep. Protocol code takes a Clock so
// that tests run it on a FakeClock without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t tickCount() = 0; // milliseconds since an arbitrary start
    virtual void sleep(std::uint32_t milliseconds) = 0;
};

class SystemClock : public Clock {
public:
    std::uint64_t tickCount() override;
    void sleep(std::uint32_t milliseconds) override;
};

// Time moves only when code sleeps on it or a test advances it.
class FakeClock : public Clock {
public:
    std::uint64_t tickCount() override { return m_now; }
    void sleep(std::uint32_t milliseconds) override {
        m_now += milliseconds;
        m_slept += milliseconds;
    }
    void advance(std::uint64_t milliseconds) { m_now += milliseconds; }
    std::uint64_t totalSlept() const { return m_slept; }

private:
    std::uint64_t m_now = 0;
    std::uint64_t m_slept = 0;
};

Clock& systemClock();

} // namespace pixelon
