#pragma once

// Whether this user can reach the device, checked and explained: the part of the platform layer
// behind "zephlark-cli doctor" (and, later, the window's own report). Each platform checks what
// can go wrong on it; each problem comes with the command that fixes it.

#include <wx/string.h>

#include <vector>

#include "Serial.h"

struct DeviceAccessCheck
{
    wxString name;   // a short key: "udev-rule", "port", "modemmanager", "udisks2", "disk"
    bool ok = false; // false: something to fix
    wxString text;   // what was found, and why it matters when it is wrong
    wxString fix;    // the command (or step) that fixes it; empty when ok
};

// Every check, in the order a report lists them, of the given port (the first listed by default;
// none: no Zephlark plugged in).
std::vector<DeviceAccessCheck> CheckDeviceAccess(const wxString& port = FindZephlarkSerialPort());
// Only what keeps the serial port from opening (the first checks of CheckDeviceAccess): quick
// enough for the window to run whenever an open fails, as it asks nothing of the system bus.
std::vector<DeviceAccessCheck> CheckPortAccess(const wxString& port = FindZephlarkSerialPort());

// The port check when no Zephlark is plugged in, alike on every platform: nothing can be learnt of
// a port that is not there, and plugging the Zephlark in is the fix.
DeviceAccessCheck NoZephlarkPluggedIn();
