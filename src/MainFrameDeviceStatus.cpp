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
#include "window/DeviceLine.h"
#include "Serial.h"
#include "ZLBox.h"
#include "deviceconnection.h"

void MainFrame::RefreshDevice()
{
    deviceConnection->DeviceChangeNoticed();
    ShowDeviceStatus();
}

void MainFrame::ShowDeviceStatus()
{
    if (!deviceConnection)
        return;
    const wxString text = updatePhase ? UpdatingDeviceLineText(*updatePhase, updatingSerialNumber)
                                      : DeviceLineText(*deviceConnection);
    if (text == deviceLine->GetLabelText())
        return;
    deviceLine->SetLabelText(text);
    SetAccessibleText(deviceLine, text, _("Which Zephlark is connected and what it runs"));
    SetAccessibleText(statusView, ConnectionStatusText(deviceConnection->IsPortOpen()), text);
    // The checks open the port themselves: only worth their time while it will not open.
    if (deviceConnection->GetOpenFailure() == SerialOpenFailure::None)
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
