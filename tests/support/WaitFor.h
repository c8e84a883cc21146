#pragma once

#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>

// Waits for the condition without handling any event (for conditions that another thread makes
// true). Returns the condition's last value.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        wxMilliSleep(1);
    }
    return true;
}

// Runs the pending events of the application until the condition holds or the deadline passes;
// never a bare sleep. Returns the condition's last value.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        // Not wxTheApp: a console test's application is no wxApp.
        if (wxAppConsole* app = wxAppConsole::GetInstance()) {
            app->ProcessPendingEvents();
            if (app->IsGUI())
                app->Yield(true);
        }
        wxMilliSleep(1);
    }
    return true;
}
