#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

// The line that sets the device clock, for example "settime 2026-12-05T04:09:59.123Z 6":
// UTC, milliseconds, then the day of the week (0 for Sunday).
wxString FormatSetTimeCommand(const wxDateTime& now);
