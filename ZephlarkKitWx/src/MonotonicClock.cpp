#include "MonotonicClock.h"

#include <atomic>
#include <thread>

namespace {

class SteadyClock : public MonotonicClock
{
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void SleepFor(Duration d) override { std::this_thread::sleep_for(d); }
};

SteadyClock steadyClock;
std::atomic<MonotonicClock*> installedClock{&steadyClock};

} // namespace

MonotonicClock& TheClock() { return *installedClock.load(); }

void SetClock(MonotonicClock* clock) { installedClock.store(clock ? clock : &steadyClock); }

MonotonicClock::TimePoint VirtualClock::Now()
{
    std::lock_guard<std::mutex> guard(mutex);
    return now;
}

void VirtualClock::Advance(Duration d)
{
    std::lock_guard<std::mutex> guard(mutex);
    now += d;
}
