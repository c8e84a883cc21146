// The device access checks where the system needs no set-up of its own (Windows, the simulated
// device): the port and the data disk are found or not, and the port opens or says why not.

#include "DeviceAccessChecks.h"

#include <wx/intl.h>

#include "DataDisk.h"
#include "Serial.h"

namespace {

DeviceAccessCheck CheckPort(const wxString& port)
{
    if (port.empty())
        return NoZephlarkPluggedIn();
    const DeviceAccessCheck found{
        "port", true, wxString::Format(_("The Zephlark's serial port is %s."), port), ""};
    // The window asks while it may hold the port itself: opening and closing it here would close
    // the window's own connection.
    if (ZephlarkSerialIsOpenHere(port))
        return found;
    SerialPort probe;
    if (ZephlarkSerialOpen(probe, port))
        return found;
    switch (ZephlarkSerialLastOpenFailure(probe)) {
    case SerialOpenFailure::InUse:
        return {"port", false, wxString::Format(_("%s is in use by another program."), port),
                _("Close the program that holds it.")};
    case SerialOpenFailure::Denied:
        return {"port", false, wxString::Format(_("%s may not be opened by this user."), port),
                wxString::Format(_("Ask the computer's administrator for access to %s."), port)};
    default:
        return {"port", false, wxString::Format(_("%s could not be opened."), port),
                _("Unplug and plug in the Zephlark.")};
    }
}

} // namespace

std::vector<DeviceAccessCheck> CheckPortAccess(const wxString& port)
{
    return {CheckPort(port)};
}

std::vector<DeviceAccessCheck> CheckDeviceAccess(const wxString& port)
{
    const wxString disk = FindZephlarkDiskPath();
    return {
        CheckPort(port),
        // The disk is there only while the device is in its data-disk mode (during an update).
        DeviceAccessCheck{"disk", true,
                          disk.empty()
                              ? _("No Zephlark data disk now (it appears only while an "
                                  "update copies files).")
                              : wxString::Format(_("The Zephlark's data disk is %s."), disk),
                          ""},
    };
}
