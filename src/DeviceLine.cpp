#include "DeviceLine.h"

#include <wx/intl.h>

#include "Serial.h"
#include "deviceconnection.h"

namespace {

wxString OpenFailureText(const wxString& port, SerialOpenFailure failure)
{
    switch (failure) {
    case SerialOpenFailure::Denied:
        return wxString::Format(_("Zephlark on %s cannot be opened: permission denied"), port);
    case SerialOpenFailure::InUse:
        return wxString::Format(_("Zephlark on %s is in use by another program"), port);
    default:
        return wxString::Format(_("Zephlark on %s cannot be opened"), port);
    }
}

} // namespace

wxString DeviceLineText(const DeviceConnection& connection)
{
    const wxString port = connection.GetListedPortName();
    if (port.empty())
        return _("No Zephlark connected");
    if (!ZephlarkSerialIsOpen())
        return OpenFailureText(port, connection.GetOpenFailure());
    wxString bootBuild, build, osVersion;
    connection.GetVersionInfo(&bootBuild, &build, &osVersion);
    const wxString serialNumber = connection.GetSerialNumber();
    if (serialNumber.empty() || osVersion.empty())
        return _("Zephlark connected");
    return wxString::Format(_("Zephlark %s connected, OS %s"), serialNumber, osVersion);
}
