#pragma once

#include <wx/log.h>

#include <functional>
#include <utility>
#include <vector>

// Collects every message logged while it exists, in place of the previous target.
class LogCapture : public wxLog
{
public:
    LogCapture();
    ~LogCapture() override;

    std::vector<wxString> Messages();
    bool Contains(const wxString& message);
    void Clear();
    // Runs action (on the logging thread) each time exactly this message is logged: lets a test
    // step in at a known point of a long operation.
    void OnMessage(const wxString& message, std::function<void()> action);

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    wxLog* previous;
    wxCriticalSection lock; // guards messages: the reader thread logs too
    std::vector<wxString> messages;
    std::vector<std::pair<wxString, std::function<void()>>> triggers; // GUI thread only
};
