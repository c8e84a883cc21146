#include "LogCapture.h"

#include <algorithm>

LogCapture::LogCapture() : previous(wxLog::SetActiveTarget(this)) {}

LogCapture::~LogCapture()
{
    wxLog::SetActiveTarget(previous);
}

std::vector<wxString> LogCapture::Messages()
{
    wxLog::FlushActive();
    wxCriticalSectionLocker guard(lock);
    return messages;
}

bool LogCapture::Contains(const wxString& message)
{
    const auto all = Messages();
    return std::find(all.begin(), all.end(), message) != all.end();
}

void LogCapture::Clear()
{
    wxLog::FlushActive();
    wxCriticalSectionLocker guard(lock);
    messages.clear();
}

void LogCapture::OnMessage(const wxString& message, std::function<void()> action)
{
    triggers.emplace_back(message, std::move(action));
}

void LogCapture::DoLogRecord(wxLogLevel, const wxString& msg, const wxLogRecordInfo&)
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
