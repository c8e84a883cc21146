#pragma once

// The device line beside the status lamp: what the lamp shows, in words, and which device it is.

#include <wx/string.h>

#include "update/FirmwareUpdateProgress.h"

class DeviceConnection;

// "No Zephlark connected", "Zephlark connected" until the version report is in, then "Zephlark
// ZL-000123 connected, OS 1.4.2"; for a port that is listed but cannot be opened, why; "Zephlark
// on its data disk" for a device that shows only its disk. A null connection: no device listed.
wxString DeviceLineText(const DeviceConnection* connection);

// While an update or a recovery runs, whatever the port shows as the device passes through its
// disk and its restarts: "Updating Zephlark ZL-000123: installing (do not unplug)".
wxString UpdatingDeviceLineText(UpdatePhase phase, const wxString& serialNumber);
