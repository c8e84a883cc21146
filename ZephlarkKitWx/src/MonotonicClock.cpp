#include "MonotonicClock.h"

#include <wx/evtloop.h>

#include <atomic>
#include <thread>

namespace {

class SteadyClock : public MonotonicClock
{
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void SleepFor(Duration d) override { std::this_thread::sleep_for(d); }

    void WaitForEvents(Duration d) override
    {
        wxEventLoopBase* loop = wxEventLoopBase::GetActive();
        if (!loop) {
            std::this_thread::sleep_for(d);
            return;
        }
        loop->DispatchTimeout(static_cast<unsigned long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(d).count()));
    }
};

SteadyClock steadyClock;
std::atomic<MonotonicClock*> installedClock{&steadyClock};

} // namespace

MonotonicClock& TheClock()
{
    return *installedClock.load();
}

void SetClock(MonotonicClock* clock)
{
    installedClock.store(clock ? clock : &steadyClock);
}

MonotonicClock::TimePoint VirtualClock::Now()
{
    std::lock_guard<std::mutex> guard(mutex);
    return now;
}

void VirtualClock::WaitForEvents(Duration d)
{
    std::function<void()> currentCatchUp;
    {
        std::lock_guard<std::mutex> guard(mutex);
        currentCatchUp = catchUp;
    }
    if (currentCatchUp)
        currentCatchUp();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds{1});
    Advance(d);
}

void VirtualClock::SetCatchUp(std::function<void()> newCatchUp)
{
    std::lock_guard<std::mutex> guard(mutex);
    catchUp = std::move(newCatchUp);
}

void VirtualClock::Advance(Duration d)
{
    std::lock_guard<std::mutex> guard(mutex);
    now += d;
}
