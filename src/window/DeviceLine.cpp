#include "window/DeviceLine.h"

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

wxString PhaseText(UpdatePhase phase)
{
    switch (phase) {
    case UpdatePhase::Checking:
        return _("checking the files");
    case UpdatePhase::EnteringDisk:
        return _("switching to its data disk");
    case UpdatePhase::Copying:
        return _("copying the files");
    case UpdatePhase::Returning:
        return _("leaving its data disk");
    case UpdatePhase::Installing:
        return _("installing");
    case UpdatePhase::Restarting:
        return _("restarting");
    case UpdatePhase::Flashing:
        return _("flashing");
    case UpdatePhase::CleaningUp:
        return _("cleaning up");
    }
    return wxString();
}

} // namespace

wxString DeviceLineText(const DeviceConnection* connection)
{
    const wxString port = connection ? connection->GetListedPortName() : wxString();
    if (port.empty())
        return !connection || connection->GetListedDiskPath().empty()
                   ? _("No Zephlark connected")
                   : _("Zephlark on its data disk");
    if (!connection->IsPortOpen())
        return OpenFailureText(port, connection->GetOpenFailure());
    wxString bootBuild, build, osVersion;
    connection->GetVersionInfo(&bootBuild, &build, &osVersion);
    const wxString serialNumber = connection->GetSerialNumber();
    if (serialNumber.empty() || osVersion.empty())
        return _("Zephlark connected");
    return wxString::Format(_("Zephlark %s connected, OS %s"), serialNumber, osVersion);
}

wxString UpdatingDeviceLineText(UpdatePhase phase, const wxString& serialNumber)
{
    wxString state = PhaseText(phase);
    if (DeviceMustStayPlugged(phase))
        state = wxString::Format(_("%s (do not unplug)"), state);
    if (serialNumber.empty())
        return wxString::Format(_("Updating Zephlark: %s"), state);
    return wxString::Format(_("Updating Zephlark %s: %s"), serialNumber, state);
}
