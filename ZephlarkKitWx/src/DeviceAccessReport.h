#pragma once

// The device access checks as text: the same lines for "zephlark-cli doctor" and for the window's
// "Check Device Access..." report.

#include <vector>

#include "DeviceAccessChecks.h"

// "[ok] name: text", or "[!!] name: text" and a second line "     fix: ..." (no final line feed).
wxString DeviceAccessCheckText(const DeviceAccessCheck& check);
// "Nothing to fix." or how many problems the checks found.
wxString DeviceAccessSummary(int problems);
// Every check, each ended by a line feed, then an empty line and the summary.
wxString DeviceAccessReport(const std::vector<DeviceAccessCheck>& checks);
