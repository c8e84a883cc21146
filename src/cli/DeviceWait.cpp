#include "cli/DeviceWait.h"

#include <wx/intl.h>

#include <algorithm>

#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "Interrupt.h"
#include "MonotonicClock.h"
#include "Serial.h"
#include "deviceconnection.h"

namespace {

constexpr auto kPollPause = std::chrono::milliseconds{50};

enum class DeviceWaitEnd
{
    Ready,
    NoDevice,
    Denied, // the port is there but this user may not open it
    Busy,   // another program holds the port
    Interrupted
};

DeviceWaitEnd WaitForZephlark(DeviceConnection& connection, std::chrono::seconds limit,
                              CliOutput& output,
                              const std::function<bool(DeviceConnection&)>& ready)
{
    auto deadline = TheClock().Now() + limit;
    bool answering = false;
    for (bool told = false;; told = true) {
        if (ready ? ready(connection) : connection.IsDeviceIdentified())
            return DeviceWaitEnd::Ready;
        if (Interrupted())
            return DeviceWaitEnd::Interrupted;
        const bool portUnopened = !connection.IsPortOpen() && !FindZephlarkSerialPort().empty();
        const SerialOpenFailure failure = connection.GetOpenFailure();
        if (portUnopened && failure == SerialOpenFailure::InUse)
            return DeviceWaitEnd::Busy;
        if (connection.IsPortOpen() && !answering) {
            answering = true;
            deadline = std::max(deadline, TheClock().Now() + kDeviceAnswerLimit);
        }
        if (TheClock().Now() >= deadline)
            return portUnopened && failure == SerialOpenFailure::Denied ? DeviceWaitEnd::Denied
                                                                        : DeviceWaitEnd::NoDevice;
        if (!told)
            output.Step(_("Waiting for Zephlark..."), "waiting-for-device");
        TheClock().WaitForEvents(kPollPause);
    }
}

int ReportDeviceWaitEnd(DeviceWaitEnd end, CliOutput& output)
{
    switch (end) {
    case DeviceWaitEnd::Busy:
        return output.Result(kExitDeviceBusy,
                             wxString::Format(_("The Zephlark's port %s is in use by another "
                                                "program (the Zephlark Utility window, a "
                                                "terminal program?). Close it and try again."),
                                              FindZephlarkSerialPort()));
    case DeviceWaitEnd::Denied:
        return output.Result(kExitNoDevice,
                             wxString::Format(_("The Zephlark's port %s may not be opened by "
                                                "this user. 'zephlark-cli doctor' tells why."),
                                              FindZephlarkSerialPort()));
    case DeviceWaitEnd::Interrupted:
        return output.Result(kExitInterrupted, _("Stopped; nothing was sent to the Zephlark."));
    case DeviceWaitEnd::NoDevice:
    case DeviceWaitEnd::Ready:
        break;
    }
    return output.Result(kExitNoDevice,
                         _("No Zephlark found. Plug in and unlock your Zephlark and try again."));
}

} // namespace

std::optional<int> WaitForZephlarkOrReport(DeviceConnection& connection, std::chrono::seconds limit,
                                           CliOutput& output,
                                           const std::function<bool(DeviceConnection&)>& ready)
{
    const DeviceWaitEnd end = WaitForZephlark(connection, limit, output, ready);
    if (end == DeviceWaitEnd::Ready)
        return std::nullopt;
    return ReportDeviceWaitEnd(end, output);
}
