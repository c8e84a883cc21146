#pragma once

#include <wx/log.h>

#include <vector>

// Collects every message logged while it exists, in place of the previous target.
class LogCapture : public wxLog
{
public:
    LogCapture();
    ~LogCapture() override;

    std::vector<wxString> Messages();
    bool Contains(const wxString& message);
    size_t Count(const wxString& message);
    void Clear();

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    wxLog* previous;
    wxCriticalSection lock; // guards messages: the reader thread logs too
    std::vector<wxString> messages;
};
