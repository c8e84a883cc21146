#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/timer.h>

#include <gtest/gtest.h>

#include <chrono>

#include "MonotonicClock.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(PauseBetweenPolls, ToolkitEventsDoNotEndIt)
{
    // An update pauses inside the running main loop; the timer stands for the progress bar's
    // animation, which wakes the toolkit at the display's frame rate.
    wxEventLoop loop;
    wxEventLoopActivator running(&loop);
    wxTimer frames;
    frames.Start(5);
    const auto start = Clock::now();

    TheClock().WaitForEvents(100ms);

    EXPECT_GE(Clock::now() - start, 100ms);
}

} // namespace
