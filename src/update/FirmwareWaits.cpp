// How the firmware update waits for the device: for its data disk to come or go, for it to
// restart and come back, and for its install and flash reports. Deadlines are measured on
// TheClock(); between two polls a wait lets the events run until something arrives or kPollPause
// passes, so it neither burns a core nor misses a change by more than that, and no pause freezes
// a window.

#include "FirmwareUpdate.h"

#include <wx/app.h>
#include <wx/log.h>

#include <algorithm>

#include "deviceconnection.h"

namespace {

constexpr auto kPollPause = std::chrono::milliseconds{50};
constexpr auto kEjectPause = std::chrono::milliseconds{500};
constexpr auto kDataDiskLimit = std::chrono::seconds{60};
constexpr auto kUnmountLimit = std::chrono::seconds{30};
constexpr auto kInstallLimit = std::chrono::seconds{90};
constexpr auto kFlashLimit = std::chrono::seconds{120};

const wxString kReadyStatus = "Update ready, restarting";

MonotonicClock::TimePoint DeadlineAfter(MonotonicClock::Duration limit)
{
    return TheClock().Now() + limit;
}

bool Before(MonotonicClock::TimePoint deadline)
{
    return TheClock().Now() < deadline;
}

} // namespace

void FirmwareUpdate::KeepResponsive()
{
    if (wxAppConsole* app = wxAppConsole::GetInstance())
        app->Yield(false);
}

void FirmwareUpdate::PauseFor(MonotonicClock::Duration d)
{
    const auto deadline = DeadlineAfter(d);
    for (auto now = TheClock().Now(); now < deadline; now = TheClock().Now()) {
        KeepResponsive();
        TheClock().WaitForEvents(std::min<MonotonicClock::Duration>(kPollPause, deadline - now));
    }
}

template <typename Condition>
bool FirmwareUpdate::PollUntil(const wxString& message, std::chrono::seconds limit,
                               Condition condition)
{
    const auto deadline = DeadlineAfter(limit);
    for (;;) {
        Pulse(message);
        if (condition())
            return true;
        KeepResponsive();
        if (!Before(deadline))
            return false;
        TheClock().WaitForEvents(kPollPause);
    }
}

bool FirmwareUpdate::WaitForDataDisk()
{
    if (connection.HasDataDisk())
        return true;
    connection.EnterDataDisk();
    return PollUntil(_("Waiting for Zephlark disk..."), kDataDiskLimit,
                     [this] { return connection.HasDataDisk(); });
}

// Succeeds only for the device the update started with: another one that comes back identified
// ends the wait at once, and nothing more is sent to it.
bool FirmwareUpdate::WaitForDevice(std::chrono::seconds limit)
{
    return PollUntil(_("Waiting for Zephlark..."), limit,
                     [this] {
                         if (!connection.IsDeviceIdentified())
                             return false;
                         const wxString back = connection.GetSerialNumber();
                         if (!serialNumber.empty() && back != serialNumber)
                             otherSerialNumber = back;
                         return true;
                     }) &&
           otherSerialNumber.empty();
}

bool FirmwareUpdate::WaitForDeviceRestart(std::chrono::seconds limit)
{
    return PollUntil(_("Waiting for Zephlark to restart..."), limit,
                     [this] { return !connection.IsDeviceIdentified(); });
}

bool FirmwareUpdate::UnmountDataDisk()
{
    if (!connection.HasDataDisk())
        return true;
    const auto deadline = DeadlineAfter(kUnmountLimit);
    for (;;) {
        Pulse(_("Ejecting Zephlark..."));
        connection.EjectDataDisk();
        PauseFor(kEjectPause);
        if (!connection.HasDataDisk())
            return true;
        if (!Before(deadline))
            return false;
    }
}

bool FirmwareUpdate::WaitForFirmwareUpdate(const wxString& osName, const wxString& keyName)
{
    const auto deadline = DeadlineAfter(kInstallLimit);
    connection.SetReadMode(DeviceConnection::Manual);
    connection.StartFirmwareUpdate(osName, keyName);
    Pulse(_("Installing firmware..."));
    const bool ready = FollowInstallReports(deadline);
    Pulse(_("Firmware installed..."));
    connection.SetReadMode(DeviceConnection::Automatic);
    if (!ready)
        wxLogGeneric(wxLOG_Info, "Firmware unpacking error.");
    return ready;
}

bool FirmwareUpdate::FollowInstallReports(MonotonicClock::TimePoint deadline)
{
    while (Before(deadline)) {
        const wxString line = connection.ReadSerialLine();
        wxString status;
        if (line.StartsWith("fwup:", &status)) {
            if (status.Contains("failed")) {
                wxLogGeneric(wxLOG_Info, "%s", status);
                return false;
            }
            if (status == kReadyStatus)
                return true;
            Pulse(wxString::Format(_("Unpacking firmware: %s."), status));
        } else if (line.StartsWith("fwup_error:")) {
            wxLogGeneric(wxLOG_Info, "%s", line);
            return false;
        } else if (line.empty()) {
            KeepResponsive();
            TheClock().WaitForEvents(kPollPause);
        }
    }
    return false;
}

bool FirmwareUpdate::WaitForFirmwareUpdateSuccess()
{
    const auto deadline = DeadlineAfter(kFlashLimit);
    connection.SetReadMode(DeviceConnection::Manual);
    while (Before(deadline)) {
        Pulse(_("Applying Update..."));
        const wxString line = connection.ReadSerialLine();
        if (line.Contains("flash complete")) {
            connection.SetReadMode(DeviceConnection::Automatic);
            return true;
        }
        if (line.empty()) {
            KeepResponsive();
            TheClock().WaitForEvents(kPollPause);
        }
    }
    wxLogGeneric(wxLOG_Info, "Waiting for flash complete timeout.");
    connection.SetReadMode(DeviceConnection::Automatic);
    return false;
}
