// How the firmware update waits for the device: for its data disk to come or go, for it to
// restart and come back, and for its install and flash reports. Deadlines are measured on
// TheClock(); between two polls a wait lets the event loop run until something arrives or
// kPollPause passes, so it neither burns a core nor misses a change by more than that.

#include "MainFrame.h"

#include <wx/app.h>
#include <wx/log.h>

#include "MonotonicClock.h"
#include "UpdateProgress.h"
#include "deviceconnection.h"

namespace {

constexpr auto kPollPause = std::chrono::milliseconds{50};
constexpr auto kEjectPause = std::chrono::milliseconds{500};
constexpr int kDataDiskLimitSeconds = 60;
constexpr int kUnmountLimitSeconds = 30;
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

void MainFrame::YieldToToolkit()
{
    wxTheApp->Yield(false);
}

void MainFrame::PauseBetweenPolls()
{
    TheClock().WaitForEvents(kPollPause);
}

template <typename Condition>
bool MainFrame::PollUntil(UpdateProgress& progress, const wxString& message, int seconds,
                          Condition condition)
{
    const auto deadline = DeadlineAfter(std::chrono::seconds{seconds});
    for (;;) {
        progress.Pulse(message);
        if (condition())
            return true;
        YieldToToolkit();
        if (!Before(deadline))
            return false;
        PauseBetweenPolls();
    }
}

bool MainFrame::WaitForDataDisk(UpdateProgress& progress)
{
    if (deviceConnection->HasDataDisk())
        return true;
    deviceConnection->EnterDataDisk();
    return PollUntil(progress, _("Waiting for Zephlark disk..."), kDataDiskLimitSeconds,
                     [this] { return deviceConnection->HasDataDisk(); });
}

bool MainFrame::WaitForDevice(UpdateProgress& progress, int seconds)
{
    return PollUntil(progress, _("Waiting for Zephlark..."), seconds,
                     [this] { return deviceConnection->IsDeviceIdentified(); });
}

bool MainFrame::WaitForDeviceRestart(UpdateProgress& progress, int seconds)
{
    return PollUntil(progress, _("Waiting for Zephlark to restart..."), seconds,
                     [this] { return !deviceConnection->IsDeviceIdentified(); });
}

bool MainFrame::UnmountDataDisk(UpdateProgress& progress)
{
    if (!deviceConnection->HasDataDisk())
        return true;
    const auto deadline = DeadlineAfter(std::chrono::seconds{kUnmountLimitSeconds});
    for (;;) {
        progress.Pulse(_("Ejecting Zephlark..."));
        deviceConnection->EjectDataDisk();
        TheClock().SleepFor(kEjectPause);
        YieldToToolkit();
        if (!deviceConnection->HasDataDisk())
            return true;
        if (!Before(deadline))
            return false;
    }
}

bool MainFrame::WaitForFirmwareUpdate(const wxString& osName, const wxString& keyName,
                                      UpdateProgress& progress)
{
    const auto deadline = DeadlineAfter(kInstallLimit);
    deviceConnection->SetReadMode(DeviceConnection::Manual);
    deviceConnection->StartFirmwareUpdate(osName, keyName);
    progress.Pulse(_("Installing firmware..."));
    const bool ready = FollowInstallReports(progress, deadline);
    progress.Pulse(_("Firmware installed..."));
    deviceConnection->SetReadMode(DeviceConnection::Automatic);
    if (!ready)
        wxLogGeneric(wxLOG_Info, "Firmware unpacking error.");
    return ready;
}

bool MainFrame::FollowInstallReports(UpdateProgress& progress, MonotonicClock::TimePoint deadline)
{
    while (Before(deadline)) {
        const wxString line = deviceConnection->ReadSerialLine();
        wxString status;
        if (line.StartsWith("fwup:", &status)) {
            if (status.Contains("failed")) {
                wxLogGeneric(wxLOG_Info, "%s", status);
                return false;
            }
            if (status == kReadyStatus)
                return true;
            progress.Pulse(wxString::Format(_("Unpacking firmware: %s."), status));
        } else if (line.StartsWith("fwup_error:")) {
            wxLogGeneric(wxLOG_Info, "%s", line);
            return false;
        } else if (line.empty()) {
            YieldToToolkit();
            PauseBetweenPolls();
        }
    }
    return false;
}

bool MainFrame::WaitForFirmwareUpdateSuccess(UpdateProgress& progress)
{
    const auto deadline = DeadlineAfter(kFlashLimit);
    deviceConnection->SetReadMode(DeviceConnection::Manual);
    while (Before(deadline)) {
        progress.Pulse(_("Applying Update..."));
        const wxString line = deviceConnection->ReadSerialLine();
        if (line.Contains("flash complete")) {
            deviceConnection->SetReadMode(DeviceConnection::Automatic);
            return true;
        }
        if (line.empty()) {
            YieldToToolkit();
            PauseBetweenPolls();
        }
    }
    wxLogGeneric(wxLOG_Info, "Waiting for flash complete timeout.");
    deviceConnection->SetReadMode(DeviceConnection::Automatic);
    return false;
}
