#include "FirmwareUpdate.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "FirmwareFile.h"
#include "FirmwareUpdateProgress.h"
#include "SleepInhibitor.h"
#include "SystemVersion.h"
#include "UpdateFileName.h"
#include "UserStateFolder.h"
#include "VerifiedCopy.h"
#include "deviceconnection.h"

namespace {

constexpr auto kBackAfterEject = std::chrono::seconds{30};
constexpr auto kRestartLimit = std::chrono::seconds{30};
constexpr auto kBackAfterInstall = std::chrono::seconds{180};
constexpr auto kBackAfterFlash = std::chrono::seconds{120};
constexpr auto kPauseBeforeCleanUp = std::chrono::seconds{2};

wxString UpdateError(const wxString& reason)
{
    return _("Update Error") + "\n\n" + reason;
}

wxString FullName(const wxString& path)
{
    return wxFileName(path).GetFullName();
}

wxString StoppedText()
{
    return _("Stopped on request.");
}

wxString UnusableName(const wxString& path)
{
    return wxString::Format(_("The file name '%s' cannot be used on the Zephlark."),
                            FullName(path));
}

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

FirmwareUpdate::FirmwareUpdate(DeviceConnection& connection, FirmwareUpdateProgress& progress)
    : connection(connection), progress(progress), journal(ZephlarkUserStateFolder())
{}

UpdateResult FirmwareUpdate::Run(const wxString& osPathIn, const wxString& keyPathIn,
                                 bool allowOlderIn)
{
    const SleepInhibitor noSleep;
    osPath = osPathIn;
    keyPath = keyPathIn;
    allowOlder = allowOlderIn;
    Failure failure = CheckUpdateFiles();
    bool stopped = false;
    for (const auto step : {&FirmwareUpdate::PutUpdateFilesOnDisk, &FirmwareUpdate::InstallUpdate,
                            &FirmwareUpdate::RemoveUpdateFiles}) {
        if (!failure.empty())
            break;
        stopped = progress.StopRequested();
        failure = stopped ? Failure(StoppedText(), UpdateOutcome::Stopped) : (this->*step)();
    }
    // A run that ended is over, whatever its result; only one that stopped because another device
    // came back, or on request, keeps its journal, so that its own device can be finished later.
    if (otherSerialNumber.empty() && !stopped)
        journal.Remove();
    UpdateResult result = failure.empty() ? Result() : ErrorResult(failure);
    wxLogMessage("%s", result.text);
    return result;
}

// A device left on its data disk (the program died while it copied or cleaned up) has no serial
// port to say who it is; its disk is enough to offer the recovery, which checks the serial number
// when the device comes back and stops if it is another one.
std::optional<UpdateJournalRecord> FirmwareUpdate::UnfinishedFor(DeviceConnection& connection)
{
    const wxString serial = connection.GetSerialNumber();
    if (serial.empty() && !connection.HasDataDisk())
        return std::nullopt;
    auto record = UpdateJournal(ZephlarkUserStateFolder()).Load();
    if (!record || (!serial.empty() && record->serialNumber != serial))
        return std::nullopt;
    return record;
}

UpdateResult FirmwareUpdate::Recover(const UpdateJournalRecord& record)
{
    const SleepInhibitor noSleep;
    serialNumber = record.serialNumber;
    wxLogMessage("Finishing the interrupted update of Zephlark %s (it had reached \"%s\").",
                 record.serialNumber, record.step);
    fileVersion = record.osVersion;
    EnterPhase(UpdatePhase::CleaningUp);
    wxString failure = WaitForDataDisk() ? wxString() : _("Zephlark disk not found.");
    for (const wxString& name : record.copiedNames) {
        if (!failure.empty())
            break;
        if (!RemoveLeftoverCopy(connection.MountDataDisk(), name))
            failure = _("Remove file failed.");
    }
    if (failure.empty())
        failure = EjectAndWaitForDevice();
    if (otherSerialNumber.empty())
        journal.Remove();
    UpdateResult result = ErrorResult(failure);
    if (failure.empty()) {
        result.outcome = UpdateOutcome::Successful;
        result.text = wxString::Format(_("Update Finished\n\nThe files of an interrupted update "
                                         "were removed from the Zephlark.\n\nDevice firmware "
                                         "version is: %s."),
                                       result.deviceVersion);
    }
    wxLogMessage("%s", result.text);
    return result;
}

void FirmwareUpdate::Journal(const wxString& step)
{
    UpdateJournalRecord record{serialNumber, {osName}, step, fileVersion};
    if (!keyName.empty())
        record.copiedNames.push_back(keyName);
    journal.Save(record);
}

UpdateResult FirmwareUpdate::Result()
{
    UpdateResult result = Described(UpdateOutcome::Failed, wxString());
    // Compared as text: the device must report exactly what the file carries.
    const bool matches = flashed && result.deviceVersion == fileVersion;
    result.outcome = matches ? UpdateOutcome::Successful : UpdateOutcome::Failed;
    result.text =
        wxString::Format(matches ? _("Update Successful\n\nDevice firmware version is: %s.")
                                 : _("Update Failed\n\nDevice firmware version is: %s."),
                         result.deviceVersion);
    return result;
}

UpdateResult FirmwareUpdate::ErrorResult(const Failure& failure)
{
    return Described(failure.outcome, UpdateError(failure.reason));
}

UpdateResult FirmwareUpdate::Described(UpdateOutcome outcome, const wxString& text)
{
    UpdateResult result{outcome, text};
    connection.GetVersionInfo(nullptr, nullptr, &result.deviceVersion);
    result.fileVersion = fileVersion;
    result.serialNumber = serialNumber;
    return result;
}

FirmwareUpdate::Failure FirmwareUpdate::CheckUpdateFiles()
{
    EnterPhase(UpdatePhase::Checking);
    Pulse(_("Comparing firmware versions..."));
    wxString deviceVersion;
    connection.GetVersionInfo(nullptr, nullptr, &deviceVersion);
    if (deviceVersion.empty())
        return _("Device version could not be determined.");

    switch (ReadFirmwareVersion(osPath, fileVersion)) {
    case FirmwareFileStatus::CannotOpen:
        return {wxString::Format(_("Couldn't open the file '%s'."), osPath),
                UpdateOutcome::BadFile};
    case FirmwareFileStatus::Invalid:
        return {_("Invalid firmware file."), UpdateOutcome::BadFile};
    case FirmwareFileStatus::Ok:
        break;
    }
    if (SystemVersion(deviceVersion).Compare(SystemVersion(fileVersion)) > 0 && !allowOlder)
        return {_("Firmware file is too old."), UpdateOutcome::Refused};

    // The names travel in a command line and onto a FAT disk: refuse before anything is sent.
    osName = CleanUpdateFileName(FullName(osPath));
    if (osName.empty())
        return {UnusableName(osPath), UpdateOutcome::Refused};
    if (!keyPath.empty()) {
        keyName = CleanUpdateFileName(FullName(keyPath));
        // FAT ignores letter case: "A.zlos" and "a.zlos" would be one file.
        if (keyName.empty() || keyName.IsSameAs(osName, false))
            return {UnusableName(keyPath), UpdateOutcome::Refused};
    }
    serialNumber = connection.GetSerialNumber();
    return {};
}

FirmwareUpdate::Failure FirmwareUpdate::PutUpdateFilesOnDisk()
{
    Pulse(_("Restarting Zephlark..."));
    KeepResponsive();
    if (!UnmountDataDisk())
        return _("Zephlark could not be unmounted.");
    if (progress.StopRequested())
        return {StoppedText(), UpdateOutcome::Stopped};
    // From "datadisk" on, the device is not as the user left it: an interrupted run must be found.
    Journal("copying");
    EnterPhase(UpdatePhase::EnteringDisk);
    if (!WaitForDataDisk())
        return _("Zephlark disk not found.");

    EnterPhase(UpdatePhase::Copying);
    Pulse(_("Copying files to Zephlark..."));
    KeepResponsive();
    if (const Failure failure = CheckFreeSpace(); !failure.empty())
        return failure;
    if (!CopyOnto(osPath, osName) || (!keyPath.empty() && !CopyOnto(keyPath, keyName)))
        return _("Copy file failed.");

    EnterPhase(UpdatePhase::Returning);
    return EjectAndWaitForDevice();
}

FirmwareUpdate::Failure FirmwareUpdate::CheckFreeSpace()
{
    const int64_t free = FreeBytesOnDisk(connection.MountDataDisk());
    wxULongLong needed = wxFileName::GetSize(osPath);
    if (!keyPath.empty())
        needed += wxFileName::GetSize(keyPath);
    if (free < 0 || wxULongLong(static_cast<uint64_t>(free)) >= needed)
        return {};
    return {wxString::Format(_("There is not enough space on the Zephlark's disk: %s free, %s "
                               "needed. Nothing was copied."),
                             wxFileName::GetHumanReadableSize(wxULongLong(free)),
                             wxFileName::GetHumanReadableSize(needed)),
            UpdateOutcome::Refused};
}

// The copy shows its progress under the same message and keeps the thread's events running
// between its pieces, so that a large file on a slow disk freezes nothing.
bool FirmwareUpdate::CopyOnto(const wxString& source, const wxString& name)
{
    const wxString message = _("Copying files to Zephlark...");
    return CopyToDataDiskVerified(source, connection.MountDataDisk(), name,
                                  [&](uint64_t done, uint64_t total) {
                                      progress.Fraction(message, total ? double(done) / total : 1);
                                      KeepResponsive();
                                  });
}

wxString FirmwareUpdate::EjectAndWaitForDevice()
{
    if (!UnmountDataDisk())
        return _("Zephlark could not be unmounted.");
    return DeviceBack(kBackAfterEject);
}

wxString FirmwareUpdate::DeviceBack(std::chrono::seconds limit)
{
    if (WaitForDevice(limit))
        return wxString();
    if (!otherSerialNumber.empty())
        return wxString::Format(_("A different Zephlark came back (serial number %s). The update "
                                  "stopped without touching it; connect the Zephlark %s again "
                                  "to finish the update."),
                                otherSerialNumber, serialNumber);
    return _("Zephlark could not be found.");
}

FirmwareUpdate::Failure FirmwareUpdate::InstallUpdate()
{
    // A failed install or flash is no exit: the copies are still removed and the version the
    // device then reports is told. The device's status lines may come while the update waits
    // for it in automatic reading (a quick flash reports before the device is identified again):
    // the hold keeps them for the wait that looks for them.
    const DeviceTextHold hold(connection);
    Journal("installing");
    EnterPhase(UpdatePhase::Installing);
    if (!WaitForFirmwareUpdate(osName, keyName))
        return wxString();
    EnterPhase(UpdatePhase::Restarting);
    if (!WaitForDeviceRestart(kRestartLimit))
        return _("Zephlark is still connected.");
    if (const wxString failure = DeviceBack(kBackAfterInstall); !failure.empty())
        return failure;
    EnterPhase(UpdatePhase::Flashing);
    flashed = WaitForFirmwareUpdateSuccess();
    EnterPhase(UpdatePhase::Restarting);
    if (flashed && !WaitForDeviceRestart(kRestartLimit))
        return _("Zephlark is still connected.");
    return DeviceBack(kBackAfterFlash);
}

FirmwareUpdate::Failure FirmwareUpdate::RemoveUpdateFiles()
{
    Journal("cleaning");
    EnterPhase(UpdatePhase::CleaningUp);
    Pulse(_("Cleaning Up..."));
    KeepResponsive();
    PauseFor(kPauseBeforeCleanUp);
    if (!WaitForDataDisk())
        return _("Zephlark disk not found.");
    if (!RemoveFromDataDisk(connection.MountDataDisk(), osName))
        return _("Remove file failed.");
    if (!keyPath.empty() && !RemoveFromDataDisk(connection.MountDataDisk(), keyName))
        return _("Remove file failed.");
    return EjectAndWaitForDevice();
}

void FirmwareUpdate::EnterPhase(UpdatePhase next)
{
    phase = next;
    progress.PhaseChanged(next);
}

void FirmwareUpdate::Pulse(const wxString& message)
{
    progress.Pulse(message);
    // Each new message once, so that a copied log shows how far an update got.
    if (message == lastMessage)
        return;
    lastMessage = message;
    wxLogMessage("%s", message);
}
