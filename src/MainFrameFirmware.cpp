// The firmware update as the window runs it: the two file dialogs, the progress dialog and the
// result box around a FirmwareUpdate, which does the work.

#include "MainFrame.h"

#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <optional>

#include "FirmwareUpdate.h"
#include "UpdateProgress.h"
#include "deviceconnection.h"

namespace {

// Only marked here: they are set before any catalog is loaded, and translated by ChooseFile.
const char* const kOsWildcard = wxTRANSLATE("Zephlark OS files (*.zlos)|*.zlos");
const char* const kOsAndFirmwareWildcard =
    wxTRANSLATE("Zephlark OS files (*.zlos)|*.zlos|Zephlark zlfw files (*.zlfw)|*.zlfw");
const char* const kKeyWildcard = wxTRANSLATE("Zephlark OS Key files (*.zlkey)|*.zlkey");

// The path the user picked, or empty when the dialog was cancelled.
wxString ChooseFile(wxWindow* parent, const wxString& message, const wxString& wildcard)
{
    wxFileDialog dialog(parent, message, wxString(), wxString(), wxGetTranslation(wildcard),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
}

} // namespace

void MainFrame::OnUpgradeFirmware(wxCommandEvent&)
{
    if (!CheckDeviceConnected())
        return;
    const bool offerFirmwareFiles = wxGetKeyState(WXK_ALT);
    const wxString osPath = ChooseFile(this, _("Select a Zephlark OS file"),
                                       offerFirmwareFiles ? kOsAndFirmwareWildcard : kOsWildcard);
    if (osPath.empty())
        return;
    const wxString keyPath = ChooseFile(this, _("Select a Zephlark OS key file"), kKeyWildcard);
    const bool allowOlder = wxGetKeyState(WXK_ALT);

    ShowUpdateResult(UpdateFirmware(osPath, keyPath, allowOlder));
}

UpdateResult MainFrame::UpdateFirmware(const wxString& osPath, const wxString& keyPath,
                                       bool allowOlder)
{
    return RunUpdate(
        [&](FirmwareUpdate& update) { return update.Run(osPath, keyPath, allowOlder); });
}

void MainFrame::OfferToFinishUpdate()
{
    if (updateRunning || recoveryDeclined || !deviceConnection)
        return;
    const auto unfinished = FirmwareUpdate::UnfinishedFor(*deviceConnection);
    if (!unfinished)
        return;
    const int answer = wxMessageBox(
        _("An earlier firmware update of this Zephlark did not finish.\n\nFinish it now? Its "
          "leftover files are removed from the Zephlark's disk and the Zephlark restarts."),
        _("Firmware Update"), wxYES_NO, this);
    recoveryDeclined = answer != wxYES;
    if (answer == wxYES)
        ShowUpdateResult(
            RunUpdate([&](FirmwareUpdate& update) { return update.Recover(*unfinished); }));
}

UpdateResult MainFrame::RunUpdate(const std::function<UpdateResult(FirmwareUpdate&)>& run)
{
    // The window can still be closed while the progress dialog disables it; the close waits for
    // the end of the update instead of deleting the connection under it.
    updateRunning = true;
    std::optional<UpdateResult> result;
    {
        UpdateProgress progress(this);
        FirmwareUpdate update(*deviceConnection, progress);
        result = run(update);
    }
    updateRunning = false;
    return *result;
}

void MainFrame::ShowUpdateResult(const UpdateResult& result)
{
    wxMessageBox(result.text, _("Firmware Update"), wxOK, this);
    if (closeRequested)
        Close(true);
}
