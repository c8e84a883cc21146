#pragma once

// The clock that deadlines and simulated device delays are measured on. Never the wall clock: a
// change of the system time must not stretch or cut a wait. Tests install a VirtualClock so that
// a three-minute limit passes in microseconds, deterministically.

#include <chrono>
#include <functional>
#include <mutex>

class MonotonicClock
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;

    virtual ~MonotonicClock() = default;
    virtual TimePoint Now() = 0;
    // Blocks for d of this clock's time (a virtual clock just moves on).
    virtual void SleepFor(Duration d) = 0;
    // On the GUI thread: sleeps until an event is queued for the program (a serial line from the
    // reader thread, a device notice from the watch) or d passes, then handles what is queued.
    // Polling waits pause with this, so they neither burn a core nor miss a change by more than d.
    virtual void WaitForEvents(Duration d) = 0;
};

// The process-wide clock: the steady clock unless a test installed another one.
MonotonicClock& TheClock();
// Installs clock (not owned) as the process-wide clock; null restores the steady clock.
void SetClock(MonotonicClock* clock);

// Time that moves only when told to. Thread-safe.
class VirtualClock : public MonotonicClock
{
public:
    TimePoint Now() override;
    void SleepFor(Duration d) override { Advance(d); }
    // Lets the other threads (the reader, a simulated device) deliver what the moment brought,
    // then moves on by d.
    void WaitForEvents(Duration d) override;
    void Advance(Duration d);
    // How WaitForEvents lets the other threads catch up: a real millisecond unless a test knows
    // better (for example: until a simulated device's output has all been read).
    void SetCatchUp(std::function<void()> catchUp);

private:
    std::mutex mutex; // guards now and catchUp
    TimePoint now{};
    std::function<void()> catchUp;
};
