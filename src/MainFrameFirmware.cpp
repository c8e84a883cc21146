// The firmware update, run from the "Upgrade Firmware..." button: the OS file (and an optional
// key file) go onto the device's data disk, the device installs from there, and the copies are
// removed again. The waits it uses are in FirmwareWaits.cpp.

#include "MainFrame.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "FirmwareFile.h"
#include "MonotonicClock.h"
#include "SystemVersion.h"
#include "UpdateFileName.h"
#include "UpdateProgress.h"
#include "deviceconnection.h"
#include "update/VerifiedCopy.h"

namespace {

// Keeps the device's text for the install's waits while they are not reading it themselves.
class DeviceTextHold
{
public:
    explicit DeviceTextHold(DeviceConnection& connection) : connection(connection)
    {
        connection.HoldDeviceText(true);
    }
    ~DeviceTextHold() { connection.HoldDeviceText(false); }
    DeviceTextHold(const DeviceTextHold&) = delete;
    DeviceTextHold& operator=(const DeviceTextHold&) = delete;

private:
    DeviceConnection& connection;
};

} // namespace

// One update, from the files the user chose to the version the device reports at the end.
struct FirmwareUpdateRun
{
    wxString osPath;
    wxString keyPath;
    bool allowOlder = false;
    wxString osName;  // as copied onto the disk and named in the install command
    wxString keyName; // empty without a key
    wxString fileVersion;
    bool flashed = false;
};

namespace {

constexpr auto kPauseBeforeCleanUp = std::chrono::seconds{2};
constexpr int kBackAfterEjectSeconds = 30;
constexpr int kRestartSeconds = 30;
constexpr int kBackAfterInstallSeconds = 180;
constexpr int kBackAfterFlashSeconds = 120;

const char* const kOsWildcard = "Zephlark OS files (*.zlos)|*.zlos";
const char* const kOsAndFirmwareWildcard =
    "Zephlark OS files (*.zlos)|*.zlos|Zephlark zlfw files (*.zlfw)|*.zlfw";
const char* const kKeyWildcard = "Zephlark OS Key files (*.zlkey)|*.zlkey";

wxString UpdateError(const wxString& reason)
{
    return _("Update Error") + "\n\n" + reason;
}

wxString FullName(const wxString& path)
{
    return wxFileName(path).GetFullName();
}

// The path the user picked, or empty when the dialog was cancelled.
wxString ChooseFile(wxWindow* parent, const wxString& message, const wxString& wildcard)
{
    wxFileDialog dialog(parent, message, wxString(), wxString(), wildcard,
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

    const wxString result = UpdateFirmware(osPath, keyPath, allowOlder);
    wxMessageBox(result, _("Firmware Update"), wxOK, this);
    if (closeRequested)
        Close(true);
}

wxString MainFrame::UpdateFirmware(const wxString& osPath, const wxString& keyPath, bool allowOlder)
{
    // The window can still be closed while the progress dialog disables it; the close waits for
    // the end of the update instead of deleting the connection under it.
    updateRunning = true;
    FirmwareUpdateRun run;
    run.osPath = osPath;
    run.keyPath = keyPath;
    run.allowOlder = allowOlder;
    wxString result;
    {
        UpdateProgress progress(this);
        wxString failure = CheckUpdateFiles(run, progress);
        if (failure.empty())
            failure = PutUpdateFilesOnDisk(run, progress);
        if (failure.empty())
            failure = InstallUpdate(run, progress);
        if (failure.empty())
            failure = RemoveUpdateFiles(run, progress);
        if (!failure.empty()) {
            result = UpdateError(failure);
        } else {
            wxString deviceVersion;
            deviceConnection->GetVersionInfo(nullptr, nullptr, &deviceVersion);
            // Compared as text: the device must report exactly what the file carries.
            const bool matches = run.flashed && deviceVersion == run.fileVersion;
            result =
                wxString::Format(matches ? _("Update Successful\n\nDevice firmware version is: %s.")
                                         : _("Update Failed\n\nDevice firmware version is: %s."),
                                 deviceVersion);
        }
    }
    updateRunning = false;
    wxLogMessage("%s", result);
    return result;
}

wxString MainFrame::CheckUpdateFiles(FirmwareUpdateRun& run, UpdateProgress& progress)
{
    progress.Pulse(_("Comparing firmware versions..."));
    wxString deviceVersion;
    deviceConnection->GetVersionInfo(nullptr, nullptr, &deviceVersion);
    if (deviceVersion.empty())
        return _("Device version could not be determined.");

    switch (ReadFirmwareVersion(run.osPath, run.fileVersion)) {
    case FirmwareFileStatus::CannotOpen:
        return wxString::Format(_("Couldn't open the file '%s'."), run.osPath);
    case FirmwareFileStatus::Invalid:
        return _("Invalid firmware file.");
    case FirmwareFileStatus::Ok:
        break;
    }
    if (SystemVersion(deviceVersion).Compare(SystemVersion(run.fileVersion)) > 0 && !run.allowOlder)
        return _("Firmware file is too old.");

    // The names travel in a command line and onto a FAT disk: refuse before anything is sent.
    run.osName = CleanUpdateFileName(FullName(run.osPath));
    if (run.osName.empty())
        return wxString::Format(_("The file name '%s' cannot be used on the Zephlark."),
                                FullName(run.osPath));
    if (!run.keyPath.empty()) {
        run.keyName = CleanUpdateFileName(FullName(run.keyPath));
        // FAT ignores letter case: "A.zlos" and "a.zlos" would be one file.
        if (run.keyName.empty() || run.keyName.IsSameAs(run.osName, false))
            return wxString::Format(_("The file name '%s' cannot be used on the Zephlark."),
                                    FullName(run.keyPath));
    }
    return wxString();
}

wxString MainFrame::PutUpdateFilesOnDisk(const FirmwareUpdateRun& run, UpdateProgress& progress)
{
    progress.Pulse(_("Restarting Zephlark..."));
    YieldToToolkit();
    if (!UnmountDataDisk(progress))
        return _("Zephlark could not be unmounted.");
    if (!WaitForDataDisk(progress))
        return _("Zephlark disk not found.");

    const wxString copying = _("Copying files to Zephlark...");
    progress.Pulse(copying);
    YieldToToolkit();
    const auto keepResponsive = [&](uint64_t, uint64_t) {
        progress.Pulse(copying);
        YieldToToolkit();
    };
    if (!CopyToDataDiskVerified(run.osPath, deviceConnection->GetDiskPath(), run.osName,
                                keepResponsive))
        return _("Copy file failed.");
    if (!run.keyPath.empty() &&
        !CopyToDataDiskVerified(run.keyPath, deviceConnection->GetDiskPath(), run.keyName,
                                keepResponsive))
        return _("Copy file failed.");

    return EjectAndWaitForDevice(progress);
}

wxString MainFrame::EjectAndWaitForDevice(UpdateProgress& progress)
{
    if (!UnmountDataDisk(progress))
        return _("Zephlark could not be unmounted.");
    if (!WaitForDevice(progress, kBackAfterEjectSeconds))
        return _("Zephlark could not be found.");
    return wxString();
}

wxString MainFrame::InstallUpdate(FirmwareUpdateRun& run, UpdateProgress& progress)
{
    // A failed install or flash is no exit: the copies are still removed and the version the
    // device then reports is told. The device's status lines may come while the update waits
    // for it in automatic reading (a quick flash reports before the device is identified again):
    // the hold keeps them for the wait that looks for them.
    const DeviceTextHold hold(*deviceConnection);
    if (!WaitForFirmwareUpdate(run.osName, run.keyName, progress))
        return wxString();
    if (!WaitForDeviceRestart(progress, kRestartSeconds))
        return _("Zephlark is still connected.");
    if (!WaitForDevice(progress, kBackAfterInstallSeconds))
        return _("Zephlark could not be found.");
    run.flashed = WaitForFirmwareUpdateSuccess(progress);
    if (run.flashed && !WaitForDeviceRestart(progress, kRestartSeconds))
        return _("Zephlark is still connected.");
    if (!WaitForDevice(progress, kBackAfterFlashSeconds))
        return _("Zephlark could not be found.");
    return wxString();
}

wxString MainFrame::RemoveUpdateFiles(const FirmwareUpdateRun& run, UpdateProgress& progress)
{
    progress.Pulse(_("Cleaning Up..."));
    YieldToToolkit();
    TheClock().SleepFor(kPauseBeforeCleanUp);
    if (!WaitForDataDisk(progress))
        return _("Zephlark disk not found.");
    if (!RemoveFromDataDisk(deviceConnection->GetDiskPath(), run.osName))
        return _("Remove file failed.");
    if (!run.keyPath.empty() && !RemoveFromDataDisk(deviceConnection->GetDiskPath(), run.keyName))
        return _("Remove file failed.");
    return EjectAndWaitForDevice(progress);
}
