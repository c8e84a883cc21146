#include "cli/DeviceWait.h"

#include <wx/intl.h>

#include <algorithm>

#include "cli/CliOutput.h"
#include "cli/DeviceChoice.h"
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
    Several,
    Interrupted
};

struct DeviceWaitResult
{
    DeviceWaitEnd end;
    std::vector<ListedPort> devices; // the several plugged in
};

DeviceWaitResult WaitForZephlark(DeviceConnection& connection, const DeviceName& name,
                                 std::chrono::seconds limit, CliOutput& output,
                                 const std::function<bool(DeviceConnection&)>& ready)
{
    auto deadline = TheClock().Now() + limit;
    bool answering = false;
    ConnectionChooser chooser(connection, name);
    for (bool told = false;; told = true) {
        if (auto several = chooser.Look())
            return {DeviceWaitEnd::Several, std::move(*several)};
        if (chooser.StartedAsking())
            deadline = std::max(deadline, TheClock().Now() + kDeviceAnswerLimit);
        const bool looked = chooser.Chosen();
        if (looked && (ready ? ready(connection) : connection.IsDeviceIdentified()))
            return {DeviceWaitEnd::Ready, {}};
        if (Interrupted())
            return {DeviceWaitEnd::Interrupted, {}};
        const bool portUnopened =
            looked && !connection.IsPortOpen() && !connection.GetListedPortName().empty();
        const SerialOpenFailure failure = connection.GetOpenFailure();
        if (portUnopened && failure == SerialOpenFailure::InUse)
            return {DeviceWaitEnd::Busy, {}};
        if (connection.IsPortOpen() && !answering) {
            answering = true;
            deadline = std::max(deadline, TheClock().Now() + kDeviceAnswerLimit);
        }
        if (TheClock().Now() >= deadline)
            return {portUnopened && failure == SerialOpenFailure::Denied ? DeviceWaitEnd::Denied
                                                                         : DeviceWaitEnd::NoDevice,
                    {}};
        if (!told)
            output.Step(_("Waiting for Zephlark..."), "waiting-for-device");
        TheClock().WaitForEvents(kPollPause);
    }
}

wxString NoDeviceText(const DeviceName& name)
{
    if (!name.serial.empty())
        return wxString::Format(_("No Zephlark with the serial number %s found. Plug it in and "
                                  "unlock it, or see 'zephlark-cli list'."),
                                name.serial);
    if (!name.port.empty())
        return wxString::Format(_("No Zephlark found on the port %s. Plug it in and unlock it, "
                                  "or see 'zephlark-cli list'."),
                                name.port);
    return _("No Zephlark found. Plug in and unlock your Zephlark and try again.");
}

int ReportSeveral(const std::vector<ListedPort>& devices, CliOutput& output)
{
    for (const ListedPort& device : devices)
        output.ListedDevice({{"port", device.name}, {"serial", device.identity.serialNumber}});
    return output.Result(kExitSeveralDevices,
                         _("Several Zephlarks are plugged in (listed above). Name one with "
                           "--serial NUMBER or --port PORT."));
}

int ReportDeviceWaitEnd(const DeviceWaitResult& result, const DeviceName& name,
                        const DeviceConnection& connection, CliOutput& output)
{
    switch (result.end) {
    case DeviceWaitEnd::Busy:
        return output.Result(kExitDeviceBusy,
                             wxString::Format(_("The Zephlark's port %s is in use by another "
                                                "program (the Zephlark Utility window, a "
                                                "terminal program?). Close it and try again."),
                                              connection.GetListedPortName()));
    case DeviceWaitEnd::Denied:
        return output.Result(kExitNoDevice,
                             wxString::Format(_("The Zephlark's port %s may not be opened by "
                                                "this user. 'zephlark-cli doctor' tells why."),
                                              connection.GetListedPortName()));
    case DeviceWaitEnd::Several:
        return ReportSeveral(result.devices, output);
    case DeviceWaitEnd::Interrupted:
        return output.Result(kExitInterrupted, _("Stopped; nothing was sent to the Zephlark."));
    case DeviceWaitEnd::NoDevice:
    case DeviceWaitEnd::Ready:
        break;
    }
    return output.Result(kExitNoDevice, NoDeviceText(name));
}

} // namespace

std::optional<int> WaitForZephlarkOrReport(DeviceConnection& connection, const DeviceName& name,
                                           std::chrono::seconds limit, CliOutput& output,
                                           const std::function<bool(DeviceConnection&)>& ready)
{
    const DeviceWaitResult result = WaitForZephlark(connection, name, limit, output, ready);
    if (result.end == DeviceWaitEnd::Ready)
        return std::nullopt;
    return ReportDeviceWaitEnd(result, name, connection, output);
}
