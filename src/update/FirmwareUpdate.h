#pragma once

#include <wx/string.h>

#include <chrono>
#include <optional>

#include "MonotonicClock.h"
#include "UpdateJournal.h"

class DeviceConnection;
class FirmwareUpdateProgress;

// One firmware update, from the files the user chose to the version the device reports at the
// end: the checks, the copies onto the data disk, the waits for the device through its restarts,
// the clean-up. It drives the device through the DeviceConnection and shows itself only through a
// FirmwareUpdateProgress, so the window and a console program run the same update. It runs on the
// thread of the connection (the GUI thread) and keeps that thread's events flowing while it waits.
class FirmwareUpdate
{
public:
    FirmwareUpdate(DeviceConnection& connection, FirmwareUpdateProgress& progress);

    // The whole update; the text to show at the end ("Update Successful\n\n..."). While it runs
    // the computer does not sleep, and a journal in the user's state folder says how far it got.
    wxString Run(const wxString& osPath, const wxString& keyPath, bool allowOlder);

    // The interrupted update that the journal names, if it names the device connected now.
    static std::optional<UpdateJournalRecord> UnfinishedFor(DeviceConnection& connection);
    // Finishes it: the leftover copies leave the data disk, and the device's version is told.
    wxString Recover(const UpdateJournalRecord& record);

    // The waits, each true on success and false once its limit passed.
    bool WaitForDataDisk();
    bool WaitForDevice(std::chrono::seconds limit);
    bool WaitForDeviceRestart(std::chrono::seconds limit);
    bool UnmountDataDisk();
    bool WaitForFirmwareUpdate(const wxString& osName, const wxString& keyName);
    bool WaitForFirmwareUpdateSuccess();

private:
    // Each step gives the reason of a failure, or nothing.
    wxString CheckUpdateFiles();
    wxString PutUpdateFilesOnDisk();
    wxString InstallUpdate();
    wxString RemoveUpdateFiles();
    // Back from the data disk to serial mode, as after the copies and after the clean-up.
    wxString EjectAndWaitForDevice();
    // The device identified again within limit, and the same one the update started with.
    wxString DeviceBack(std::chrono::seconds limit);
    wxString ResultText();
    // Where the run stands, for an interrupted one to be finished later.
    void Journal(const wxString& step);

    template <typename Condition>
    bool PollUntil(const wxString& message, std::chrono::seconds limit, Condition condition);
    bool FollowInstallReports(MonotonicClock::TimePoint deadline);
    void Pulse(const wxString& message);
    // Lets the thread's events run (device notices, serial lines, repaints) without blocking.
    void KeepResponsive();
    // Waits d out with the events running: no pause may freeze a window.
    void PauseFor(MonotonicClock::Duration d);

    DeviceConnection& connection;
    FirmwareUpdateProgress& progress;
    UpdateJournal journal;
    wxString lastMessage;

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
