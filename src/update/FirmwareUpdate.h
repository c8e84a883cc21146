#pragma once

#include <wx/string.h>

#include <chrono>
#include <optional>

#include "FirmwareUpdateProgress.h"
#include "MonotonicClock.h"
#include "UpdateJournal.h"

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
    wxString detail;
    // Why it did not succeed, as a word that never changes with the language ("older-file",
    // "device-error"), for a front end or a script that acts on it; empty on success.
    wxString reasonId;
    wxString deviceVersion; // as the device last reported it; empty when unknown
    wxString fileVersion;   // the OS file's (the journal's, for a recovery); empty when not read
    wxString serialNumber;  // of the device updated; empty when none was identified
    // The journal stays: the window's offer or 'zephlark-cli recover' finishes the update.
    bool recoveryPending = false;
};

// One firmware update, from the files the user chose to the version the device reports at the
// end: the checks, the copies onto the data disk, the waits for the device through its restarts,
// the clean-up. It drives the device through the DeviceConnection and shows itself only through a
// FirmwareUpdateProgress, so the window and a console program run the same update. It runs on the
// thread of the connection (the GUI thread) and keeps that thread's events flowing while it waits.
class FirmwareUpdate
{
public:
    FirmwareUpdate(DeviceConnection& connection, FirmwareUpdateProgress& progress);

    // The whole update and how it ended. While it runs the computer does not sleep, and a journal
    // in the user's state folder says how far it got.
    UpdateResult Run(const wxString& osPath, const wxString& keyPath, bool allowOlder);

    // The interrupted update that the journal names, if it names the device connected now.
    static std::optional<UpdateJournalRecord> UnfinishedFor(DeviceConnection& connection);
    // Finishes it: the leftover copies leave the data disk, and the device's version is told.
    UpdateResult Recover(const UpdateJournalRecord& record);

    // The waits, each true on success and false once its limit passed.
    bool WaitForDataDisk();
    bool WaitForDevice(std::chrono::seconds limit);
    bool WaitForDeviceRestart(std::chrono::seconds limit);
    bool UnmountDataDisk();
    bool WaitForFirmwareUpdate(const wxString& osName, const wxString& keyName);
    bool WaitForFirmwareUpdateSuccess();

private:
    // A step's failure: its reason (empty: none) and the outcome it makes. Most are plain failures.
    struct Failure
    {
        Failure(const wxString& reason = wxString(), UpdateOutcome outcome = UpdateOutcome::Failed)
            : reason(reason), outcome(outcome)
        {}
        bool empty() const { return reason.empty(); }
        wxString reason;
        UpdateOutcome outcome;
    };

    // Each step gives the reason of a failure, or nothing.
    Failure CheckUpdateFiles();
    Failure PutUpdateFilesOnDisk();
    Failure CheckFreeSpace();
    bool CopyOnto(const wxString& source, const wxString& name);
    Failure InstallUpdate();
    Failure RemoveUpdateFiles();
    // Back from the data disk to serial mode, as after the copies and after the clean-up.
    wxString EjectAndWaitForDevice();
    // The device identified again within limit, and the same one the update started with.
    wxString DeviceBack(std::chrono::seconds limit);
    UpdateResult Result();
    UpdateResult ErrorResult(const Failure& failure);
    // A result with what is known of the device and the file filled in.
    UpdateResult Described(UpdateOutcome outcome, const wxString& text);
    // Where the run stands, for an interrupted one to be finished later.
    void Journal(const wxString& step);

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
    UpdateJournal journal;
    wxString lastMessage;
    UpdatePhase phase = UpdatePhase::Checking;

    // The run's choices and what it learnt on the way.
    wxString osPath;
    wxString keyPath;
    bool allowOlder = false;
    wxString osName;  // as copied onto the disk and named in the install command
    wxString keyName; // empty without a key
    wxString fileVersion;
    wxString serialNumber;      // of the device the update started with
    wxString otherSerialNumber; // of a different device that came back instead, if one did
    bool flashed = false;
};
