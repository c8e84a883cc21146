#include "MonotonicClock.h"

#include <wx/app.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// How late a queued event may end a pause.
constexpr auto kEventCheckInterval = std::chrono::milliseconds{5};

class SteadyClock : public MonotonicClock
{
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void SleepFor(Duration d) override { std::this_thread::sleep_for(d); }

    // The toolkit's loop does not run here: under a pulsed progress bar it wakes at the display's
    // frame rate, and a pause that ended at each wake-up polled the device that often and drew
    // the bar three times as often. Only what is queued for the program ends the pause early;
    // repaints wait for the caller's next yield.
    void WaitForEvents(Duration d) override
    {
        const auto deadline = Now() + d;
        while (!EventsWaiting() && Now() < deadline)
            SleepFor(std::min<Duration>(kEventCheckInterval, deadline - Now()));
        if (wxAppConsole* app = wxAppConsole::GetInstance())
            app->ProcessPendingEvents();
    }

private:
    // wxTheApp would cast a console program's application to the GUI class, which it is not.
    static bool EventsWaiting()
    {
        wxAppConsole* app = wxAppConsole::GetInstance();
        return app && app->HasPendingEvents();
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
