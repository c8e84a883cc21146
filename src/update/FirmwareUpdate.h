#pragma once

#include <wx/string.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "update/FirmwareUpdateProgress.h"
#include "MonotonicClock.h"
#include "update/UpdateJournal.h"

class BackgroundWork;
class FileLock;

class DeviceConnection;

// How an update or a recovery ended, for a caller that acts on it (the command line's exit code)
// rather than shows its text.
enum class UpdateOutcome
{
    Successful, // installed and reported by the device, or an interrupted update finished
    Failed,     // ran and did not succeed: the device, its disk or the install failed
    BadFile,    // the OS file or the key file cannot be read or is no OS file
    Refused,    // nothing was sent: an older file, a name the device cannot carry, no space
    Stopped,    // stopped on request where the device is safe
    Busy,       // another update or recovery of this Zephlark runs: nothing was done
};

struct UpdateResult
{
    UpdateOutcome outcome;
    // The result's first lines, as the window's box starts ("Update Successful\n\n...").
    wxString text;
    // Why it ended so and what to do now (the device's own error, the state it was left in, how
    // to finish); empty when the text says it all. Shown below the text.
    wxString detail{};
    // Why it did not succeed, as a word that never changes with the language ("older-file",
    // "device-error"), for a front end or a script that acts on it; empty on success.
    wxString reasonId{};
    wxString deviceVersion{}; // as the device last reported it; empty when unknown
    wxString fileVersion{};   // the OS file's (the journal's, for a recovery); empty when not read
    wxString serialNumber{};  // of the device updated; empty when none was identified
    // The journal stays: the window's offer or 'zephlark-cli recover' finishes the update.
    bool recoveryPending = false;
};

// One firmware update, from the files the user chose to the version the device reports at the
// end, as a transaction: every check comes before the device is touched; from "datadisk" on, a
// journal per device says how far the run got and which files it made; every exit brings the
// device back to its serial mode with nothing of the run left on its disk when the device can be
// reached, and otherwise keeps the journal and says how to finish. A lock per device keeps a
// second update or recovery, in this program or another, from running at the same time.
//
// It drives the device through the DeviceConnection and shows itself only through a
// FirmwareUpdateProgress, so the window and a console program run the same update. It runs on the
// thread of the connection (the GUI thread), keeps that thread's events flowing while it waits,
// and does its file work on a thread of its own.
class FirmwareUpdate
{
public:
    FirmwareUpdate(DeviceConnection& connection, FirmwareUpdateProgress& progress);
    ~FirmwareUpdate();

    // The whole update and how it ended. While it runs the computer does not sleep.
    [[nodiscard]] UpdateResult Run(const wxString& osPath, const wxString& keyPath,
                                   bool allowOlder);

    // The interrupted update of the device connected now (or of some device, when only a data
    // disk is seen), if a journal names one.
    static std::optional<UpdateJournalRecord> UnfinishedFor(DeviceConnection& connection);
    // True while another program (or another update in this one) updates or recovers the device
    // with this serial number.
    static bool AnotherUpdateRuns(const wxString& serialNumber);
    // Finishes it: waits for an install the device may still be doing, removes the files the
    // journal proves the update's own, and tells the device's version.
    [[nodiscard]] UpdateResult Recover(const UpdateJournalRecord& record);

    // The waits, each true on success and false once its limit passed.
    [[nodiscard]] bool WaitForDataDisk();
    [[nodiscard]] bool WaitForDevice(std::chrono::seconds limit);
    [[nodiscard]] bool WaitForDeviceRestart(std::chrono::seconds limit);
    [[nodiscard]] bool UnmountDataDisk();
    [[nodiscard]] bool WaitForFirmwareUpdate(const wxString& osName, const wxString& keyName);
    [[nodiscard]] bool WaitForFirmwareUpdateSuccess();

private:
    // A step's failure: the reason for the "Update Error" text (empty: none), what it makes of
    // the outcome, a word for it that never changes with the language, and what the user should
    // know beyond the reason.
    struct Failure
    {
        Failure() = default;
        Failure(const wxString& reason, const wxString& reasonId,
                UpdateOutcome outcome = UpdateOutcome::Failed, const wxString& detail = wxString())
            : reason(reason), reasonId(reasonId), outcome(outcome), detail(detail)
        {}
        bool empty() const { return reason.empty(); }
        wxString reason;
        wxString reasonId;
        UpdateOutcome outcome = UpdateOutcome::Failed;
        wxString detail;
    };
    // One of the update's files: where it is, and its name, size and hash as checked.
    struct UpdateFile
    {
        wxString path;
        UpdateJournalFile checked;
    };

    // Each step gives its failure, or an empty one.
    Failure TakeLock();
    Failure CheckUpdateFiles();
    Failure ReadChecked(const wxString& path, UpdateJournalFile& file);
    Failure CheckVersions();
    Failure CheckNames();
    Failure Transact();
    Failure PutUpdateFilesOnDisk();
    Failure CheckFreeSpace();
    Failure PlaceOnDisk(const UpdateFile& file);
    Failure InstallUpdate();
    Failure RemoveUpdateFiles();
    Failure FinishInterrupted(const UpdateJournalRecord& record);
    // After a failure between "datadisk" and the install: the run's files leave the disk and the
    // device returns to serial mode, as far as it can be reached.
    Failure Unwound(Failure failure);
    // Removes the run's files from the disk (on the work thread); true when none is left.
    bool RemoveWrittenFiles();
    // Back from the data disk to serial mode, as after the copies and after the clean-up.
    Failure EjectAndWaitForDevice();
    // The device identified again within limit, and the same one the update started with.
    Failure DeviceBack(std::chrono::seconds limit);
    // failure, unless another device came back in this one's place.
    Failure NotBack(const Failure& failure);
    bool DeviceBackAsItself();
    [[nodiscard]] bool WaitForInstallToEnd(const wxString& version);
    Failure Stopped(const wxString& detail);

    UpdateResult Result(const Failure& failure);
    UpdateResult RecoveryResult(const Failure& failure, const wxString& journalVersion);
    // A result with what is known of the device and the file filled in.
    UpdateResult Described(UpdateOutcome outcome, const wxString& text);
    // Where the device is and what of the run is left on it, for a failure's detail.
    wxString WhereTheDeviceIs();
    // The journal goes once the device is back as itself with nothing of the run on its disk.
    void SettleJournal();
    void Journal(const wxString& step);

    // Runs work on its own thread and waits with the events running, showing message with the
    // work's fraction or pulsed. A stop request is passed on to the work when stoppable.
    void RunInBackground(const wxString& message, bool showFraction, bool stoppable,
                         const std::function<void(BackgroundWork&)>& work);
    template <typename Condition>
    bool PollUntil(const wxString& message, std::chrono::seconds limit, Condition condition);
    bool FollowInstallReports(MonotonicClock::TimePoint deadline);
    void Pulse(const wxString& message);
    void EnterPhase(UpdatePhase next);
    // Lets the thread's events run (device notices, serial lines, repaints) without blocking.
    void KeepResponsive();
    // Waits d out with the events running: no pause may freeze a window.
    void PauseFor(MonotonicClock::Duration d);

    DeviceConnection& connection;
    FirmwareUpdateProgress& progress;
    wxString stateFolder;
    std::unique_ptr<UpdateJournal> journal; // of serialNumber's device, once it is known
    std::unique_ptr<FileLock> lock;
    wxString lastMessage;
    UpdatePhase phase = UpdatePhase::Checking;

    // The run's choices and what it learnt on the way.
    UpdateFile osFile;
    UpdateFile keyFile; // path empty without a key
    bool allowOlder = false;
    wxString fileVersion;
    wxString deviceVersionBefore;
    wxString serialNumber;      // of the device the update started with
    wxString otherSerialNumber; // of a different device that came back instead, if one did
    bool touched = false;       // "datadisk" was sent, or a recovery began
    std::vector<UpdateJournalFile> written; // files this run made (or began) on the data disk
    bool flashed = false;
    wxString versionAfterInstall; // as the device reported it once back from its install
    // Why the install or the flash did not succeed, for the result's detail.
    wxString installFailure;
    wxString installFailureId;
};
