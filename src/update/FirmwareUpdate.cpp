#include "update/FirmwareUpdate.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "update/BackgroundWork.h"
#include "FileLock.h"
#include "update/FirmwareFile.h"
#include "update/FirmwareUpdateProgress.h"
#include "SleepInhibitor.h"
#include "SystemVersion.h"
#include "update/UpdateFileName.h"
#include "UserStateFolder.h"
#include "update/VerifiedCopy.h"
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

wxString UnusableName(const wxString& path)
{
    return wxString::Format(_("The file name '%s' cannot be used on the Zephlark."),
                            FullName(path));
}

// Sentences of a detail, one after the other.
wxString Joined(const wxString& first, const wxString& second)
{
    if (first.empty() || second.empty())
        return first + second;
    return first + " " + second;
}

wxString LockPath(const wxString& folder, const wxString& serialNumber)
{
    return UpdateJournal(folder, serialNumber).Path() + ".lock";
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

// Holds the connection to the device the run starts on (its port, else its disk) for the whole
// run: across its restarts and new port names, the waits, the copies, the eject and the clean-up
// reach that device alone, never another one plugged in beside it or in its place. What was pinned
// before comes back when the run ends.
class DevicePin
{
public:
    explicit DevicePin(DeviceConnection& connection)
        : connection(connection), before(connection.GetPinnedDevice())
    {
        const UsbIdentity& port = connection.GetListedIdentity();
        connection.PinDevice(port.serialNumber.empty() && port.location.empty()
                                 ? connection.GetListedDiskIdentity()
                                 : port);
    }
    ~DevicePin() { connection.PinDevice(before); }
    DevicePin(const DevicePin&) = delete;
    DevicePin& operator=(const DevicePin&) = delete;

private:
    DeviceConnection& connection;
    const UsbIdentity before;
};

} // namespace

FirmwareUpdate::FirmwareUpdate(DeviceConnection& connection, FirmwareUpdateProgress& progress)
    : connection(connection), progress(progress), stateFolder(ZephlarkUserStateFolder())
{}

FirmwareUpdate::~FirmwareUpdate() = default;

UpdateResult FirmwareUpdate::Run(const wxString& osPathIn, const wxString& keyPathIn,
                                 bool allowOlderIn)
{
    const SleepInhibitor noSleep;
    const DevicePin pin(connection);
    osFile.path = osPathIn;
    keyFile.path = keyPathIn;
    allowOlder = allowOlderIn;
    Failure failure = CheckUpdateFiles();
    if (failure.empty())
        failure = Transact();
    SettleJournal();
    UpdateResult result = Result(failure);
    lock.reset();
    wxLogMessage("%s", result.text);
    if (!result.detail.empty())
        wxLogMessage("%s", result.detail);
    return result;
}

FirmwareUpdate::Failure FirmwareUpdate::Transact()
{
    if (progress.StopRequested())
        return Stopped(_("Nothing was sent to the Zephlark."));
    if (Failure failure = PutUpdateFilesOnDisk(); !failure.empty())
        return touched ? Unwound(failure) : failure;
    if (progress.StopRequested())
        return Unwound(Stopped(wxString()));
    // From the install command on, a stop is no longer honoured: the device finishes by itself
    // and is followed to its end.
    if (Failure failure = InstallUpdate(); !failure.empty()) {
        failure.detail = Joined(failure.detail, WhereTheDeviceIs());
        return failure;
    }
    return RemoveUpdateFiles();
}

FirmwareUpdate::Failure FirmwareUpdate::Stopped(const wxString& detail)
{
    return {_("Stopped on request."), "stopped", UpdateOutcome::Stopped, detail};
}

FirmwareUpdate::Failure FirmwareUpdate::Unwound(Failure failure)
{
    wxLogMessage("The update ends early: removing its files and returning the Zephlark to "
                 "serial mode.");
    EnterPhase(UpdatePhase::CleaningUp);
    Failure left;
    if (!written.empty()) {
        if (!connection.HasDataDisk() && !DeviceBackAsItself())
            left = Failure(_("Zephlark could not be found."), "device-not-found");
        else if (!WaitForDataDisk())
            left = Failure(_("Zephlark disk not found."), "disk-not-found");
        else if (!RemoveWrittenFiles())
            left = Failure(_("Remove file failed."), "remove-failed");
    }
    if (left.empty()) {
        EnterPhase(UpdatePhase::Returning);
        left = EjectAndWaitForDevice();
    }
    failure.detail =
        Joined(failure.detail, left.empty() ? _("The update's files were removed and the Zephlark "
                                                "is back in serial mode; nothing was installed.")
                                            : WhereTheDeviceIs());
    return failure;
}

// A device left on its data disk (the program died while it copied) has no serial port to say
// who it is; its disk is enough to offer the recovery, which removes only the files whose size
// and hash the journal has, and checks the serial number when the device comes back.
std::optional<UpdateJournalRecord> FirmwareUpdate::UnfinishedFor(DeviceConnection& connection)
{
    const wxString serial = connection.GetSerialNumber();
    const wxString folder = ZephlarkUserStateFolder();
    if (!serial.empty())
        return UpdateJournal(folder, serial).Load();
    if (!connection.HasDataDisk())
        return std::nullopt;
    const auto records = UpdateJournal::LoadAll(folder);
    if (records.empty())
        return std::nullopt;
    return records.front();
}

bool FirmwareUpdate::AnotherUpdateRuns(const wxString& serialNumber)
{
    const wxString folder = ZephlarkUserStateFolder();
    return !folder.empty() &&
           FileLock(LockPath(folder, serialNumber)).GetState() == FileLock::State::Busy;
}

FirmwareUpdate::Failure FirmwareUpdate::TakeLock()
{
    journal = std::make_unique<UpdateJournal>(stateFolder, serialNumber);
    if (stateFolder.empty())
        return {};
    lock = std::make_unique<FileLock>(LockPath(stateFolder, serialNumber));
    if (lock->GetState() != FileLock::State::Busy)
        return {};
    lock.reset();
    return {_("Another program is updating the Zephlark."), "busy", UpdateOutcome::Busy,
            _("Nothing was done. Wait until that update has finished.")};
}

UpdateResult FirmwareUpdate::Recover(const UpdateJournalRecord& record)
{
    const SleepInhibitor noSleep;
    const DevicePin pin(connection);
    serialNumber = record.serialNumber;
    fileVersion = record.osVersion;
    Failure failure = TakeLock();
    if (failure.empty()) {
        wxLogMessage("Finishing the interrupted update of Zephlark %s (it had reached \"%s\").",
                     record.serialNumber, record.step);
        touched = true;
        written = record.files;
        failure = FinishInterrupted(record);
        SettleJournal();
    }
    UpdateResult result = RecoveryResult(failure, record.osVersion);
    lock.reset();
    wxLogMessage("%s", result.text);
    if (!result.detail.empty())
        wxLogMessage("%s", result.detail);
    return result;
}

FirmwareUpdate::Failure FirmwareUpdate::FinishInterrupted(const UpdateJournalRecord& record)
{
    const Failure stopped = Stopped(_("The journal of the interrupted update was kept."));
    // Never a mode switch into an install: one the device may still be doing ends first.
    if (record.step == "installing") {
        EnterPhase(UpdatePhase::Installing);
        if (!WaitForInstallToEnd(record.osVersion))
            return progress.StopRequested()
                       ? stopped
                       : Failure(_("Zephlark could not be found."), "device-not-found");
    }
    if (progress.StopRequested())
        return stopped;
    // The serial number is checked before anything is removed.
    if (connection.IsDeviceIdentified() && !DeviceBackAsItself())
        return DeviceBack(kBackAfterEject);
    const bool identified = connection.IsDeviceIdentified();
    if (!identified && !connection.HasDataDisk())
        return {_("Zephlark could not be found."), "device-not-found"};
    if (!written.empty()) {
        // A device seen only as its disk is not known to be the journal's: the earlier journal,
        // which cannot prove its files by their contents, waits until the device says who it is.
        if (!identified && !record.ProvesItsFiles()) {
            EnterPhase(UpdatePhase::Returning);
            if (Failure failure = EjectAndWaitForDevice(); !failure.empty())
                return failure;
        }
        EnterPhase(UpdatePhase::EnteringDisk);
        if (!WaitForDataDisk())
            return {_("Zephlark disk not found."), "disk-not-found"};
        EnterPhase(UpdatePhase::CleaningUp);
        Pulse(_("Cleaning Up..."));
        if (!RemoveWrittenFiles())
            return {_("Remove file failed."), "remove-failed"};
    }
    EnterPhase(UpdatePhase::Returning);
    return EjectAndWaitForDevice();
}

void FirmwareUpdate::Journal(const wxString& step)
{
    UpdateJournalRecord record{serialNumber, written, step, fileVersion};
    if (journal && !journal->Save(record))
        wxLogMessage("Without its journal, an interruption of this update cannot be finished "
                     "later.");
}

void FirmwareUpdate::SettleJournal()
{
    if (touched && journal && written.empty() && DeviceBackAsItself())
        journal->Remove();
}

bool FirmwareUpdate::DeviceBackAsItself()
{
    return connection.IsDeviceIdentified() && connection.GetSerialNumber() == serialNumber;
}

wxString FirmwareUpdate::WhereTheDeviceIs()
{
    wxString where;
    if (connection.HasDataDisk())
        where = _("The Zephlark is on its data disk.");
    else if (connection.IsDeviceIdentified())
        where = _("The Zephlark is in serial mode.");
    else
        where = _("The Zephlark is not seen on USB at the moment.");
    if (!written.empty())
        where = Joined(where, _("Files of the update are still on its disk."));
    if (journal && wxFileExists(journal->Path()))
        where = Joined(where, _("Leave it plugged in: the update is finished when the program "
                                "offers it, or with 'zephlark-cli recover'."));
    return where;
}

UpdateResult FirmwareUpdate::Result(const Failure& failure)
{
    UpdateResult result = Described(failure.outcome, UpdateError(failure.reason));
    result.reasonId = failure.reasonId;
    result.detail = failure.detail;
    // Compared as text: the device must report exactly what the file carries. A device that
    // flashed and runs the new version is updated, whatever its clean-up then met.
    // The clean-up may have lost the device again, or another came back: the version this
    // device reported after its install still counts.
    if (connection.GetSerialNumber() != serialNumber)
        result.deviceVersion = versionAfterInstall;
    const bool updated = flashed && result.deviceVersion == fileVersion;
    if (updated) {
        result.outcome = UpdateOutcome::Successful;
        result.reasonId.clear();
        result.text = wxString::Format(_("Update Successful\n\nDevice firmware version is: %s."),
                                       result.deviceVersion);
        result.detail = failure.empty()
                            ? wxString()
                            : Joined(wxString::Format(_("The clean-up did not finish (%s): a "
                                                        "file of the update was left on the "
                                                        "Zephlark and will be removed."),
                                                      failure.reason),
                                     WhereTheDeviceIs());
    } else if (failure.empty()) {
        result.text = wxString::Format(_("Update Failed\n\nDevice firmware version is: %s."),
                                       result.deviceVersion);
        result.reasonId = installFailureId.empty() ? wxString("version-differs") : installFailureId;
        result.detail =
            installFailure.empty()
                ? wxString::Format(_("The Zephlark reports version %s; the file carries %s."),
                                   result.deviceVersion, fileVersion)
                : installFailure;
    }
    result.recoveryPending = touched && journal && wxFileExists(journal->Path());
    return result;
}

UpdateResult FirmwareUpdate::RecoveryResult(const Failure& failure, const wxString& version)
{
    UpdateResult result = Described(failure.outcome, UpdateError(failure.reason));
    result.reasonId = failure.reasonId;
    result.detail = failure.detail;
    if (failure.empty() && result.deviceVersion == version) {
        result.outcome = UpdateOutcome::Successful;
        result.text = wxString::Format(_("Update Finished\n\nThe files of an interrupted update "
                                         "were removed from the Zephlark.\n\nDevice firmware "
                                         "version is: %s."),
                                       result.deviceVersion);
    } else if (failure.empty()) {
        result.text = wxString::Format(_("Update Failed\n\nDevice firmware version is: %s."),
                                       result.deviceVersion);
        result.reasonId = "interrupted";
        result.detail = wxString::Format(_("The interrupted update to version %s did not "
                                           "complete: the Zephlark runs %s. Its files were "
                                           "removed; run the update again."),
                                         version, result.deviceVersion);
    } else if (failure.outcome != UpdateOutcome::Busy &&
               failure.outcome != UpdateOutcome::Stopped) {
        result.detail = Joined(result.detail, WhereTheDeviceIs());
    }
    result.recoveryPending = journal && wxFileExists(journal->Path());
    return result;
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
    connection.GetVersionInfo(nullptr, nullptr, &deviceVersionBefore);
    if (deviceVersionBefore.empty())
        return {_("Device version could not be determined."), "device-version-unknown"};
    serialNumber = connection.GetSerialNumber();
    if (Failure failure = TakeLock(); !failure.empty())
        return failure;

    // Both files are read whole before anything is sent: one that cannot be read fails here,
    // and the hashes taken now are what the copies must hold.
    if (Failure failure = ReadChecked(osFile.path, osFile.checked); !failure.empty())
        return failure;
    switch (ReadFirmwareVersion(osFile.path, fileVersion)) {
    case FirmwareFileStatus::CannotOpen:
        return {wxString::Format(_("Couldn't open the file '%s'."), osFile.path), "cannot-open",
                UpdateOutcome::BadFile};
    case FirmwareFileStatus::Invalid:
        return {_("Invalid firmware file."), "invalid-file", UpdateOutcome::BadFile};
    case FirmwareFileStatus::Ok:
        break;
    }
    if (!keyFile.path.empty()) {
        if (Failure failure = ReadChecked(keyFile.path, keyFile.checked); !failure.empty())
            return failure;
    }
    if (Failure failure = CheckVersions(); !failure.empty())
        return failure;
    return CheckNames();
}

FirmwareUpdate::Failure FirmwareUpdate::ReadChecked(const wxString& path, UpdateJournalFile& file)
{
    FileWorkResult read;
    RunInBackground(_("Comparing firmware versions..."), false, true, [&](BackgroundWork& work) {
        read = ReadWholeFile(
            path, file, [&](uint64_t done, uint64_t total) { return work.Report(done, total); });
    });
    if (read.status == FileWorkStatus::Stopped)
        return Stopped(_("Nothing was sent to the Zephlark."));
    if (read.status == FileWorkStatus::Done)
        return {};
    wxLogMessage("Cannot read %s: %s", path, read.reason);
    return {wxString::Format(_("Couldn't open the file '%s'."), path), "cannot-open",
            UpdateOutcome::BadFile,
            wxString::Format(_("The file cannot be read: %s."), read.reason)};
}

FirmwareUpdate::Failure FirmwareUpdate::CheckVersions()
{
    if (SystemVersion(deviceVersionBefore).Compare(SystemVersion(fileVersion)) <= 0 || allowOlder)
        return {};
    return {_("Firmware file is too old."), "older-file", UpdateOutcome::Refused,
            wxString::Format(_("The file carries version %s; the Zephlark runs %s, which is "
                               "newer. Nothing was sent to the Zephlark."),
                             fileVersion, deviceVersionBefore)};
}

// The names travel in a command line and onto a FAT disk: refuse before anything is sent.
FirmwareUpdate::Failure FirmwareUpdate::CheckNames()
{
    osFile.checked.name = CleanUpdateFileName(FullName(osFile.path));
    if (osFile.checked.name.empty())
        return {UnusableName(osFile.path), "unusable-name", UpdateOutcome::Refused};
    if (!keyFile.path.empty()) {
        keyFile.checked.name = CleanUpdateFileName(FullName(keyFile.path));
        // FAT ignores letter case: "A.zlos" and "a.zlos" would be one file.
        if (keyFile.checked.name.empty() ||
            keyFile.checked.name.IsSameAs(osFile.checked.name, false))
            return {UnusableName(keyFile.path), "unusable-name", UpdateOutcome::Refused};
    }
    return {};
}

FirmwareUpdate::Failure FirmwareUpdate::PutUpdateFilesOnDisk()
{
    Pulse(_("Restarting Zephlark..."));
    KeepResponsive();
    if (!UnmountDataDisk())
        return {_("Zephlark could not be unmounted."), "unmount-failed"};
    if (progress.StopRequested())
        return Stopped(_("Nothing was sent to the Zephlark."));
    // From "datadisk" on, the device is not as the user left it: an interrupted run must be found.
    touched = true;
    Journal("copying");
    EnterPhase(UpdatePhase::EnteringDisk);
    if (!WaitForDataDisk())
        return {_("Zephlark disk not found."), "disk-not-found"};
    if (progress.StopRequested())
        return Stopped(wxString());

    EnterPhase(UpdatePhase::Copying);
    Pulse(_("Copying files to Zephlark..."));
    KeepResponsive();
    if (Failure failure = CheckFreeSpace(); !failure.empty())
        return failure;
    for (const UpdateFile* file : {&osFile, &keyFile}) {
        if (file->path.empty())
            continue;
        if (Failure failure = PlaceOnDisk(*file); !failure.empty())
            return failure;
    }
    if (progress.StopRequested())
        return Stopped(wxString());
    EnterPhase(UpdatePhase::Returning);
    return EjectAndWaitForDevice();
}

FirmwareUpdate::Failure FirmwareUpdate::CheckFreeSpace()
{
    const int64_t free = FreeBytesOnDisk(connection.MountDataDisk());
    uint64_t needed = *osFile.checked.size;
    if (!keyFile.path.empty())
        needed += *keyFile.checked.size;
    if (free < 0 || static_cast<uint64_t>(free) >= needed)
        return {};
    return {wxString::Format(_("There is not enough space on the Zephlark's disk: %s free, %s "
                               "needed. Nothing was copied."),
                             wxFileName::GetHumanReadableSize(wxULongLong(free)),
                             wxFileName::GetHumanReadableSize(wxULongLong(needed))),
            "no-space", UpdateOutcome::Refused};
}

// A file of that name may be on the disk already: the same bytes (the user picked the file on
// the device's own disk, or an earlier copy) are used as they are and never removed; other bytes
// are someone's file, which the update must not replace.
FirmwareUpdate::Failure FirmwareUpdate::PlaceOnDisk(const UpdateFile& file)
{
    const wxString disk = connection.MountDataDisk();
    const wxString message = _("Copying files to Zephlark...");
    DiskFilePresence presence = DiskFilePresence::Absent;
    RunInBackground(message, false, false,
                    [&](BackgroundWork&) { presence = FindOnDisk(disk, file.checked); });
    if (presence == DiskFilePresence::Same) {
        wxLogMessage("%s is on the Zephlark already with the same contents; it is used and left "
                     "there.",
                     file.checked.name);
        return {};
    }
    if (presence != DiskFilePresence::Absent)
        return {_("Copy file failed."), "name-taken", UpdateOutcome::Failed,
                wxString::Format(_("Another file named '%s' is on the Zephlark's disk; it was "
                                   "left as it is. Rename or remove it, then update again."),
                                 file.checked.name)};
    written.push_back(file.checked);
    Journal("copying"); // before the file exists, so that an interruption finds it
    FileWorkResult copied;
    RunInBackground(message, true, true, [&](BackgroundWork& work) {
        copied = CopyToDataDiskVerified(
            file.path, disk, file.checked,
            [&](uint64_t done, uint64_t total) { return work.Report(done, total); });
    });
    switch (copied.status) {
    case FileWorkStatus::Done:
        return {};
    case FileWorkStatus::Stopped:
        return Stopped(wxString());
    case FileWorkStatus::Changed:
        return {_("Copy file failed."), "copy-changed", UpdateOutcome::Failed, copied.reason};
    case FileWorkStatus::Failed:
        break;
    }
    return {_("Copy file failed."), "copy-failed", UpdateOutcome::Failed,
            wxString::Format(_("The Zephlark's disk refused the copy: %s."), copied.reason)};
}

FirmwareUpdate::Failure FirmwareUpdate::EjectAndWaitForDevice()
{
    if (!UnmountDataDisk())
        return {_("Zephlark could not be unmounted."), "unmount-failed"};
    return DeviceBack(kBackAfterEject);
}

FirmwareUpdate::Failure FirmwareUpdate::DeviceBack(std::chrono::seconds limit)
{
    if (WaitForDevice(limit))
        return {};
    return NotBack({_("Zephlark could not be found."), "device-not-found"});
}

// The pinned connection never opens a device that came in this one's place: the device is named
// by its USB serial number, or by the one it reported when it came back on this one's identity.
FirmwareUpdate::Failure FirmwareUpdate::NotBack(const Failure& failure)
{
    if (otherSerialNumber.empty())
        otherSerialNumber = connection.GetNewcomer().serialNumber;
    if (!otherSerialNumber.empty())
        return {wxString::Format(_("A different Zephlark came back (serial number %s). The "
                                   "update stopped without touching it; connect the Zephlark %s "
                                   "again to finish the update."),
                                 otherSerialNumber, serialNumber),
                "other-device"};
    return failure;
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
    if (!WaitForFirmwareUpdate(osFile.checked.name, keyFile.checked.name))
        return {};
    EnterPhase(UpdatePhase::Restarting);
    if (!WaitForDeviceRestart(kRestartLimit))
        return {_("Zephlark is still connected."), "still-connected"};
    if (Failure failure = DeviceBack(kBackAfterInstall); !failure.empty())
        return failure;
    EnterPhase(UpdatePhase::Flashing);
    flashed = WaitForFirmwareUpdateSuccess();
    if (!flashed) {
        installFailureId = "no-flash-report";
        installFailure = _("The Zephlark did not report a finished flash within 120 seconds.");
    }
    EnterPhase(UpdatePhase::Restarting);
    if (flashed && !WaitForDeviceRestart(kRestartLimit))
        return {_("Zephlark is still connected."), "still-connected"};
    Failure failure = DeviceBack(kBackAfterFlash);
    if (failure.empty())
        connection.GetVersionInfo(nullptr, nullptr, &versionAfterInstall);
    return failure;
}

FirmwareUpdate::Failure FirmwareUpdate::RemoveUpdateFiles()
{
    Journal("cleaning");
    EnterPhase(UpdatePhase::CleaningUp);
    Pulse(_("Cleaning Up..."));
    KeepResponsive();
    PauseFor(kPauseBeforeCleanUp);
    Failure failure;
    if (!written.empty()) {
        if (!WaitForDataDisk())
            failure = NotBack({_("Zephlark disk not found."), "disk-not-found"});
        else if (!RemoveWrittenFiles())
            failure = Failure(_("Remove file failed."), "remove-failed");
    }
    if (failure.empty()) {
        EnterPhase(UpdatePhase::Returning);
        failure = EjectAndWaitForDevice();
    }
    if (!failure.empty())
        failure.detail = WhereTheDeviceIs();
    return failure;
}

bool FirmwareUpdate::RemoveWrittenFiles()
{
    const wxString disk = connection.MountDataDisk();
    std::vector<UpdateJournalFile> left;
    RunInBackground(_("Cleaning Up..."), false, false, [&](BackgroundWork&) {
        for (const UpdateJournalFile& file : written)
            if (!RemoveOwnCopy(disk, file))
                left.push_back(file);
    });
    written = left;
    return written.empty();
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
