#pragma once

// The device line beside the status lamp: what the lamp shows, in words, and which device it is.

#include <wx/string.h>

class DeviceConnection;

// "No Zephlark connected", "Zephlark connected" until the version report is in, then "Zephlark
// ZL-000123 connected, OS 1.4.2"; for a port that is listed but cannot be opened, why.
wxString DeviceLineText(const DeviceConnection& connection);
