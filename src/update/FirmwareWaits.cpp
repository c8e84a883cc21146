// How the firmware update waits for the device: for its data disk to come or go, for it to
// restart and come back, and for its install and flash reports. Deadlines are measured on
// TheClock(); between two polls a wait lets the events run until something arrives or kPollPause
// passes, so it neither burns a core nor misses a change by more than that, and no pause freezes
// a window.

#include "update/FirmwareUpdate.h"

#include <wx/app.h>
#include <wx/log.h>

#include <algorithm>

#include "update/BackgroundWork.h"
#include "deviceconnection.h"

namespace {

constexpr auto kPollPause = std::chrono::milliseconds{50};
constexpr auto kEjectPause = std::chrono::milliseconds{500};
constexpr auto kDataDiskLimit = std::chrono::seconds{60};
constexpr auto kUnmountLimit = std::chrono::seconds{30};
constexpr auto kInstallLimit = std::chrono::seconds{90};
constexpr auto kFlashLimit = std::chrono::seconds{120};
// The longest an install can go on after its command: unpacking, the first restart and return,
// the flash, the second restart and return, each within its own limit.
constexpr auto kWholeInstallLimit =
    kInstallLimit + std::chrono::seconds{30 + 180} + kFlashLimit + std::chrono::seconds{30 + 120};
// A device that is identified and has said nothing for longer than a flash may take is not
// installing: the flash is the longest silent stretch of an install.
constexpr auto kQuietAfterInstall = kFlashLimit + std::chrono::seconds{10};

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

void FirmwareUpdate::RunInBackground(const wxString& message, bool showFraction, bool stoppable,
                                     const std::function<void(BackgroundWork&)>& work)
{
    {
        BackgroundWork background(work);
        while (!background.Done()) {
            if (stoppable && progress.StopRequested())
                background.Stop();
            if (showFraction)
                progress.Fraction(message, background.Fraction());
            else
                Pulse(message);
            KeepResponsive();
            TheClock().WaitForEvents(kPollPause);
        }
        if (showFraction)
            progress.Fraction(message, background.Fraction());
    }
    // What the work logged waits in the thread's buffer: it joins the log here, in order.
    wxLog::FlushActive();
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
                installFailureId = "device-error";
                installFailure =
                    wxString::Format(_("The Zephlark reported: %s"), status.Strip(wxString::both));
                return false;
            }
            if (status == kReadyStatus)
                return true;
            Pulse(wxString::Format(_("Unpacking firmware: %s."), status));
        } else if (line.StartsWith("fwup_error:", &status)) {
            wxLogGeneric(wxLOG_Info, "%s", line);
            installFailureId = "device-error";
            installFailure =
                wxString::Format(_("The Zephlark reported: %s"), status.Strip(wxString::both));
            return false;
        } else if (line.empty()) {
            KeepResponsive();
            TheClock().WaitForEvents(kPollPause);
        }
    }
    installFailureId = "install-timeout";
    installFailure = _("The Zephlark did not report the end of its install within 90 seconds.");
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

// Ends once the device is identified and runs version, or has been identified and silent for
// longer than any silent stretch of an install; every line and every restart starts the silence
// anew. Nothing is sent: a command would reach a device that may be flashing.
bool FirmwareUpdate::WaitForInstallToEnd(const wxString& version)
{
    const auto deadline = DeadlineAfter(kWholeInstallLimit);
    auto quietSince = TheClock().Now();
    connection.SetReadMode(DeviceConnection::Manual);
    bool ended = false;
    while (!ended && Before(deadline) && !progress.StopRequested()) {
        Pulse(_("Waiting for the Zephlark to finish its install..."));
        if (!connection.ReadSerialLine().empty()) {
            quietSince = TheClock().Now();
            continue;
        }
        const bool identified = connection.IsDeviceIdentified();
        wxString running;
        connection.GetVersionInfo(nullptr, nullptr, &running);
        if (!identified)
            quietSince = TheClock().Now();
        ended = identified &&
                (running == version || TheClock().Now() - quietSince >= kQuietAfterInstall);
        if (!ended) {
            KeepResponsive();
            TheClock().WaitForEvents(kPollPause);
        }
    }
    connection.SetReadMode(DeviceConnection::Automatic);
    return ended;
}
