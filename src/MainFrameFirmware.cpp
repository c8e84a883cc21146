// The firmware update, run from the "Upgrade Firmware..." button.

#include "MainFrame.h"

#include <wx/msgdlg.h>

void MainFrame::OnUpgradeFirmware(wxCommandEvent&)
{
    if (!CheckDeviceConnected())
        return;
    // The update workflow is not part of this build yet; say so rather than pretend.
    wxMessageBox(_("Firmware updates are not available in this version of Zephlark Utility."),
                 _("Firmware Update"), wxOK, this);
}
