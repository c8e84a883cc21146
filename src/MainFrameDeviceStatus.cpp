// The main window's account of the device: the device line beside the lamp, what a screen reader
// reads for both, the info bar for a port that cannot be opened and the device access report.

#include "MainFrame.h"

#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "window/AccessibleText.h"
#include "window/ConnectionStatusView.h"
#include "window/DeviceAccessBar.h"
#include "DeviceAccessChecks.h"
#include "DeviceAccessReport.h"
#include "window/DeviceChooser.h"
#include "window/DeviceLine.h"
#include "DeviceList.h"
#include "Serial.h"
#include "ZLBox.h"
#include "deviceconnection.h"

void MainFrame::RefreshDevice()
{
    devices->Refresh();
    FollowChosenDevice();
}

void MainFrame::FollowChosenDevice()
{
    if (!devices)
        return;
    const bool chooserWasShown = deviceChooser->IsShown();
    deviceChooser->ShowEntries(devices->Entries(), updateRunning);
    const UsbIdentity& chosen = deviceChooser->Chosen();
    if (!SameEntry(chosen, keptChoice)) {
        // The device an update runs on stays kept until the update ends.
        if (!SameEntry(keptChoice, updatingDevice))
            devices->Keep(keptChoice, false);
        devices->Keep(chosen, true);
        // Another device's unfinished update is offered once it is chosen, as at start-up.
        if (!keptChoice.serialNumber.empty() || !keptChoice.location.empty())
            CallAfter(&MainFrame::OfferToFinishUpdate);
        keptChoice = chosen;
    }
    // Its texts change width as the devices tell who they are: laid out again, also when the
    // window keeps its size.
    if (chooserWasShown || deviceChooser->IsShown()) {
        topSizer->SetSizeHints(this);
        Layout();
    }
    ShowChosenDevice();
}

void MainFrame::ShowChosenDevice()
{
    const UsbIdentity& shown = updateRunning ? updatingDevice : deviceChooser->Chosen();
    devices->Follow(shown, this);
    DeviceConnection* connection = devices->ConnectionFor(shown);
    if (connection != deviceConnection) {
        deviceConnection = connection;
        statusView->Refresh(true);
    }
    ShowDeviceStatus();
}

void MainFrame::ShowDeviceStatus()
{
    // Closed: the connections are gone.
    if (!devices)
        return;
    const wxString text = updatePhase ? UpdatingDeviceLineText(*updatePhase, updatingSerialNumber)
                                      : DeviceLineText(deviceConnection);
    if (text == deviceLine->GetLabelText())
        return;
    const bool connected = deviceConnection && deviceConnection->IsPortOpen();
    deviceLine->SetLabelText(text);
    SetAccessibleText(deviceLine, text, _("Which Zephlark is connected and what it runs"));
    SetAccessibleText(statusView, ConnectionStatusText(connected), text);
    // The checks open the port themselves: only worth their time while it will not open.
    if (!deviceConnection || deviceConnection->GetOpenFailure() == SerialOpenFailure::None)
        accessBar->Dismiss();
    else
        accessBar->ShowProblems(CheckPortAccess());
    // Still exactly as large as the contents, now that the line or the bar changed.
    topSizer->SetSizeHints(this);
}

void MainFrame::OnCheckDeviceAccess(wxCommandEvent&)
{
    // The checks open the port themselves.
    if (RefusedWhileUpdating())
        return;
    wxMessageBox(DeviceAccessReport(CheckDeviceAccess()), _("Device Access"),
                 wxOK | wxICON_INFORMATION, this);
}
