#pragma once

// Waiting for a condition against a deadline, never a bare sleep. A time-out fails with what was
// awaited and for how long: ASSERT_TRUE(WaitFor("the lamp to turn green", [&] { ... })).

#include <wx/app.h>
#include <wx/utils.h>

#include <gtest/gtest.h>

#include <chrono>

namespace wait_detail {

template <typename Condition, typename BetweenTries>
testing::AssertionResult Wait(const char* what, Condition condition,
                              std::chrono::milliseconds limit, BetweenTries betweenTries)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return testing::AssertionFailure()
                   << "gave up after " << limit.count() << " ms waiting for " << what;
        betweenTries();
        wxMilliSleep(1);
    }
    return testing::AssertionSuccess();
}

} // namespace wait_detail

// Waits without handling any event (for conditions that another thread makes true).
template <typename Condition>
testing::AssertionResult WaitUntil(const char* what, Condition condition,
                                   std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    return wait_detail::Wait(what, condition, limit, [] {});
}

// Runs the pending events of the application between tries.
template <typename Condition>
testing::AssertionResult WaitFor(const char* what, Condition condition,
                                 std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    return wait_detail::Wait(what, condition, limit, [] {
        // wxAppConsole, not wxTheApp: in a console test the instance is no wxApp.
        if (wxAppConsole* app = wxAppConsole::GetInstance()) {
            app->ProcessPendingEvents();
            if (app->IsGUI())
                app->Yield(true);
        }
    });
}
