#include "SerialInternal.h"

#include <wx/log.h>

#include <chrono>
#include <set>
#include <utility>

#include "MonotonicClock.h"

namespace {

constexpr auto kRepeatQuiet = std::chrono::seconds{1};

// GUI thread only, as the opens are.
std::set<std::pair<wxString, wxString>> givenAdvice; // (port, advice)
wxString lastFailure;                                // port and reason
MonotonicClock::TimePoint lastFailureTime;

// The system's texts differ: Windows ends its sentences, Linux does not.
wxString WithoutFinalStop(const wxString& text)
{
    wxString trimmed = wxString(text).Trim();
    return trimmed.EndsWith(".") ? trimmed.RemoveLast() : trimmed;
}

} // namespace

void LogFailedOpen(const wxString& port, const wxString& reason, const wxString& advice)
{
    const wxString failure = port + ": " + WithoutFinalStop(reason);
    const auto now = TheClock().Now();
    const bool repeated = failure == lastFailure && now - lastFailureTime < kRepeatQuiet;
    lastFailure = failure;
    lastFailureTime = now;
    if (repeated)
        return;
    if (!advice.empty() && givenAdvice.insert({port, advice}).second)
        wxLogMessage("Cannot open %s. %s", failure, advice);
    else
        wxLogMessage("Cannot open %s.", failure);
}
