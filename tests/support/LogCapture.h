#pragma once

#include <wx/log.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

// Collects every message logged while it exists, in place of the previous target.
class LogCapture : public wxLog
{
public:
    LogCapture() : previous(wxLog::SetActiveTarget(this)) {}
    ~LogCapture() override { wxLog::SetActiveTarget(previous); }

    std::vector<wxString> Messages()
    {
        wxLog::FlushActive();
        wxCriticalSectionLocker guard(lock);
        return messages;
    }

    bool Contains(const wxString& message)
    {
        const auto all = Messages();
        return std::find(all.begin(), all.end(), message) != all.end();
    }

    void Clear()
    {
        wxLog::FlushActive();
        wxCriticalSectionLocker guard(lock);
        messages.clear();
    }

    // Runs action (on the logging thread) each time exactly this message is logged: lets a test
    // step in at a known point of a long operation.
    void OnMessage(const wxString& message, std::function<void()> action)
    {
        triggers.emplace_back(message, std::move(action));
    }

protected:
    void DoLogRecord(wxLogLevel, const wxString& msg, const wxLogRecordInfo&) override
    {
        {
            wxCriticalSectionLocker guard(lock);
            messages.push_back(msg);
        }
        for (const auto& [message, action] : triggers) {
            if (message == msg)
                action();
        }
    }

private:
    wxLog* previous;
    wxCriticalSection lock; // guards messages: the reader thread logs too
    std::vector<wxString> messages;
    std::vector<std::pair<wxString, std::function<void()>>> triggers; // GUI thread only
};
