#include "SetTimeCommand.h"

wxString FormatSetTimeCommand(const wxDateTime& now)
{
    wxDateTime::Tm utc = now.GetTm(wxDateTime::UTC);
    return now.Format("settime %Y-%m-%dT%H:%M:%S", wxDateTime::UTC) +
           wxString::Format(".%03dZ ", static_cast<int>(utc.msec)) +
           wxString::Format("%hi", static_cast<short>(utc.GetWeekDay()));
}
