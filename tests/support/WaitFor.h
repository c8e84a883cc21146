#pragma once

// Waiting for a condition against a deadline, never a bare sleep. A time-out fails with what was
// awaited and for how long: ASSERT_TRUE(WaitFor("the lamp to turn green", [&] { ... })).

#include <wx/app.h>
#include <wx/utils.h>

#include <gtest/gtest.h>

#include <chrono>

// Waits without handling any event (for conditions that another thread makes true), or running
// the pending events of the application between tries.
template <typename Condition>
testing::AssertionResult WaitUntil(const char* what, Condition condition,
                                   std::chrono::milliseconds limit = std::chrono::seconds(5),
                                   bool handleEvents = false)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return testing::AssertionFailure()
                   << "gave up after " << limit.count() << " ms waiting for " << what;
        // wxAppConsole, not wxTheApp: in a console test the instance is no wxApp.
        wxAppConsole* app = wxAppConsole::GetInstance();
        if (handleEvents && app) {
            app->ProcessPendingEvents();
            if (app->IsGUI())
                app->Yield(true);
        }
        wxMilliSleep(1);
    }
    return testing::AssertionSuccess();
}

template <typename Condition>
testing::AssertionResult WaitFor(const char* what, Condition condition,
                                 std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    return WaitUntil(what, condition, limit, true);
}
