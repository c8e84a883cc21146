// The firmware update as the window runs it: the two file dialogs, the progress dialog and the
// result box around a FirmwareUpdate, which does the work; the same for the recovery of an
// interrupted one.

#include "MainFrame.h"

#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <memory>
#include <optional>
#include <utility>

#include "update/FirmwareUpdate.h"
#include "window/DeviceChooser.h"
#include "window/UpdateProgress.h"
#include "DeviceList.h"
#include "deviceconnection.h"

namespace {

// Only marked here: they are set before any catalog is loaded, and translated by ChooseFile.
const char* const kOsWildcard = wxTRANSLATE("Zephlark OS files (*.zlos)|*.zlos");
const char* const kOsAndFirmwareWildcard =
    wxTRANSLATE("Zephlark OS files (*.zlos)|*.zlos|Zephlark zlfw files (*.zlfw)|*.zlfw");
const char* const kKeyWildcard = wxTRANSLATE("Zephlark OS Key files (*.zlkey)|*.zlkey");
const char* const kOlderFileReason = "older-file";

// The path the user picked, or empty when the dialog was cancelled.
wxString ChooseFile(wxWindow* parent, const wxString& message, const wxString& wildcard)
{
    wxFileDialog dialog(parent, message, wxString(), wxString(), wxGetTranslation(wildcard),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
}

// The engine's first lines as they always were, its reason below them, then what the user can do
// that only the window knows of.
wxString ResultMessage(const UpdateResult& result)
{
    wxString message = result.text;
    if (!result.detail.empty())
        message += "\n\n" + result.detail;
    if (result.reasonId == kOlderFileReason)
        message += "\n\n" + _("To install this older version on purpose, click \"Upgrade "
                              "Firmware...\" again and hold down Alt as you close the key file "
                              "dialog.");
    if (result.outcome == UpdateOutcome::Failed)
        message += "\n\n" + _("Copy Log Messages in the Help menu copies every step of this "
                              "update for a support request.");
    return message;
}

long ResultIcon(UpdateOutcome outcome)
{
    switch (outcome) {
    case UpdateOutcome::Successful:
        return wxICON_INFORMATION;
    case UpdateOutcome::Failed:
    case UpdateOutcome::BadFile:
        return wxICON_ERROR;
    case UpdateOutcome::Refused:
    case UpdateOutcome::Stopped:
    case UpdateOutcome::Busy:
        break;
    }
    // Nothing went wrong with the device: the user's choice, or what was asked cannot be done.
    return wxICON_WARNING;
}

} // namespace

void MainFrame::OnUpgradeFirmware(wxCommandEvent&)
{
    if (RefusedWhileUpdating() || !CheckDeviceConnected())
        return;
    const UsbIdentity device = deviceChooser->Chosen();
    const bool offerFirmwareFiles = wxGetKeyState(WXK_ALT);
    const wxString osPath = ChooseFile(this, _("Select a Zephlark OS file"),
                                       offerFirmwareFiles ? kOsAndFirmwareWildcard : kOsWildcard);
    if (osPath.empty())
        return;
    const wxString keyPath = ChooseFile(this, _("Select a Zephlark OS key file"), kKeyWildcard);
    const bool allowOlder = wxGetKeyState(WXK_ALT);
    // The devices came and went while the files were chosen: the one chosen now is not
    // necessarily the one the user meant to update.
    if (!SameEntry(device, deviceChooser->Chosen())) {
        wxLogMessage("Refused: the chosen Zephlark changed while the files were chosen.");
        wxBell();
        return;
    }

    ShowUpdateResult(UpdateFirmware(osPath, keyPath, allowOlder));
}

UpdateResult MainFrame::UpdateFirmware(const wxString& osPath, const wxString& keyPath,
                                       bool allowOlder)
{
    const wxString serialNumber =
        deviceConnection ? deviceConnection->GetSerialNumber() : wxString();
    return RunUpdate(serialNumber, [&](FirmwareUpdate& update) {
        return update.Run(osPath, keyPath, allowOlder);
    });
}

void MainFrame::OfferToFinishUpdate()
{
    // Device notices keep coming while the question is open (the box runs its own loop): one
    // offer at a time.
    if (updateRunning || recoveryOffered || recoveryDeclined || !deviceConnection)
        return;
    const auto unfinished = FirmwareUpdate::UnfinishedFor(*deviceConnection);
    // Another program that updates this device holds its journal: it is not unfinished.
    if (!unfinished || FirmwareUpdate::AnotherUpdateRuns(unfinished->serialNumber))
        return;
    recoveryOffered = true;
    const int answer = wxMessageBox(
        _("An earlier firmware update of this Zephlark did not finish.\n\nFinish it now? Its "
          "leftover files are removed from the Zephlark's disk and the Zephlark restarts."),
        _("Firmware Update"), wxYES_NO, this);
    recoveryOffered = false;
    recoveryDeclined = answer != wxYES;
    if (answer == wxYES)
        ShowUpdateResult(RunUpdate(unfinished->serialNumber, [&](FirmwareUpdate& update) {
            return update.Recover(*unfinished);
        }));
}

UpdateResult MainFrame::RunUpdate(const wxString& serialNumber,
                                  const std::function<UpdateResult(FirmwareUpdate&)>& run)
{
    // The window can still be closed while the update runs; the close waits for the end of the
    // update instead of deleting the connection under it.
    updateRunning = true;
    updatingSerialNumber = serialNumber;
    // Its connection lives, and the window shows it, until the update ends, whichever device is
    // chosen meanwhile.
    updatingDevice = deviceChooser->Chosen();
    devices->Keep(updatingDevice, true);
    // With no device listed the engine is given a connection of its own, finds none and says so.
    std::unique_ptr<DeviceConnection> none;
    if (!deviceConnection)
        none = std::make_unique<DeviceConnection>(nullptr);
    DeviceConnection& connection = deviceConnection ? *deviceConnection : *none;
    // Disabled for the whole run by the window itself: the toolkit's progress dialog enables its
    // parent again when it hides or finishes, whatever the update still has to do.
    Disable();
    std::optional<UpdateResult> result;
    {
        UpdateProgress progress(this, [this](UpdatePhase phase) {
            updatePhase = phase;
            ShowDeviceStatus();
        });
        FirmwareUpdate update(connection, progress);
        result = run(update);
    }
    updatePhase.reset();
    updateRunning = false;
    const UsbIdentity updated = std::exchange(updatingDevice, UsbIdentity{});
    if (!SameEntry(updated, keptChoice))
        devices->Keep(updated, false);
    Enable();
    FollowChosenDevice();
    return *result;
}

void MainFrame::ShowUpdateResult(const UpdateResult& result)
{
    wxMessageBox(ResultMessage(result), _("Firmware Update"), wxOK | ResultIcon(result.outcome),
                 this);
    if (closeRequested)
        Close(true);
}
