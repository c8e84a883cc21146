// list, info, reset and console: the devices plugged in, one's details, its factory reset and its
// console lines.

#include "cli/CliCommands.h"

#include <wx/intl.h>

#include <memory>
#include <optional>

#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "DeviceChangeWatch.h"
#include "DeviceInterface.h"
#include "DeviceList.h"
#include "cli/DeviceChoice.h"
#include "cli/DeviceWait.h"
#include "cli/ExitCodes.h"
#include "update/FirmwareUpdate.h"
#include "Interrupt.h"
#include "MonotonicClock.h"
#include "Serial.h"
#include "deviceconnection.h"

namespace {

constexpr auto kListPause = std::chrono::milliseconds{50};

const char* ModeId(DeviceMode mode)
{
    switch (mode) {
    case DeviceMode::Serial:
        return "serial";
    case DeviceMode::DataDisk:
        return "data-disk";
    case DeviceMode::Busy:
        return "busy";
    case DeviceMode::Away:
        break;
    }
    return "away";
}

// How often the console looks at the device when no hot-plug notice comes: a notice ends the
// pause at once, so this only bounds how late a missed one is noticed.
constexpr auto kConsolePause = std::chrono::milliseconds{250};

CliOutput::Fields DeviceDetails(DeviceConnection& connection)
{
    wxString bootBuild, build, sdk;
    connection.GetVersionInfo(&bootBuild, &build, &sdk);
    return {{"port", connection.GetPortName()},
            {"serial", connection.GetSerialNumber()},
            {"target", connection.GetTarget()},
            {"build", build},
            {"sdk", sdk},
            {"boot_build", bootBuild}};
}

// Follows the device for the console: marks each arrival and departure between its lines.
class ConsoleSession : public DeviceInterface
{
public:
    ConsoleSession(const CliOptions& options, CliOutput& output) : options(options), output(output)
    {}

    // Told as the port opens, before the reader starts: the new connection's lines are held
    // until its mark, which waits for the serial number the device reports first. A replug
    // noticed between two looks at the port is marked all the same.
    void DeviceConnectionChanged(bool connected) override
    {
        if (!connected) {
            // The lines the device finished saying are handled after this: mark it once they are.
            departurePending = true;
            return;
        }
        MarkDeparture();
        arrivedAt = TheClock().Now();
        arrivalPort = connection.GetPortName();
        output.HoldDeviceText(true);
    }

    int Run()
    {
        const auto portOpen = [](DeviceConnection& link) {
            link.RefreshDeviceConnections();
            return link.IsPortOpen();
        };
        // Following, with no --wait, is waiting for the Zephlark to come whenever it does.
        const auto limit = options.follow && !options.waitGiven ? kForever : options.wait;
        if (const auto code =
                WaitForZephlarkOrReport(connection, NamedDevice(options), limit, output, portOpen))
            return *code;
        const auto watch = WatchDeviceChanges([this] { connection.DeviceChangeNoticed(); });
        // Ctrl+C is how a console ends (exit 130, as after any Ctrl+C), or a reader that stopped
        // reading it.
        while (!Interrupted() && !output.OutputLost()) {
            MarkArrival(false);
            if (MarkDeparture() && !options.follow)
                return output.Result(kExitSuccess, _("The Zephlark left."));
            TheClock().WaitForEvents(kConsolePause);
            connection.RefreshDeviceConnections();
        }
        MarkArrival(true);
        return output.Result(Interrupted() ? kExitInterrupted : kExitSuccess, wxString());
    }

private:
    static constexpr std::chrono::seconds kForever{24 * 3600 * 365};

    // Marks an arrival once the device said its serial number, or unless it is still given time
    // to (now: the mark goes without it), then lets its held lines out.
    void MarkArrival(bool now)
    {
        if (!arrivedAt)
            return;
        const wxString serial = connection.GetSerialNumber();
        if (serial.empty() && !now && TheClock().Now() < *arrivedAt + kDeviceAnswerLimit)
            return;
        arrivedAt.reset();
        CliOutput::Fields fields{{"port", arrivalPort}};
        if (!serial.empty())
            fields.push_back({"serial", serial});
        output.Device("connected", fields);
        output.HoldDeviceText(false);
    }

    // True when the device had left since the last look.
    bool MarkDeparture()
    {
        if (!departurePending)
            return false;
        MarkArrival(true);
        departurePending = false;
        output.Device("disconnected", {});
        return true;
    }

    const CliOptions& options;
    CliOutput& output;
    DeviceConnection connection{this};
    bool departurePending = false;
    std::optional<MonotonicClock::TimePoint> arrivedAt; // of an arrival not marked yet
    wxString arrivalPort;
};

} // namespace

// One look: each device with an open port is given the time to say who it is.
int RunListCommand(const CliOptions&, CliOutput& output)
{
    DeviceList devices;
    devices.Refresh();
    const auto deadline = TheClock().Now() + kDeviceAnswerLimit;
    while (!devices.AllIdentified() && TheClock().Now() < deadline && !Interrupted())
        TheClock().WaitForEvents(kListPause);
    if (Interrupted())
        return output.Result(kExitInterrupted, wxString());
    const std::vector<DeviceListEntry> entries = devices.Entries();
    for (const DeviceListEntry& entry : entries)
        output.ListedDevice({{"port", entry.portName},
                             {"serial", entry.serialNumber},
                             {"version", entry.version},
                             {"mode", ModeId(entry.mode)}});
    return output.Result(kExitSuccess, entries.empty() ? _("No Zephlark plugged in.") : wxString());
}

int RunInfoCommand(const CliOptions& options, CliOutput& output)
{
    DeviceConnection connection(nullptr);
    if (const auto code =
            WaitForZephlarkOrReport(connection, NamedDevice(options), options.wait, output))
        return *code;
    CliOutput::Fields details = DeviceDetails(connection);
    if (const auto pending = FirmwareUpdate::UnfinishedFor(connection)) {
        details.push_back({"pending_update", pending->step});
        output.Notice(wxString::Format(_("An update of this Zephlark was interrupted at the step "
                                         "\"%s\": run zephlark-cli recover to finish it."),
                                       pending->step));
    }
    output.Device("identified", details);
    return output.Result(kExitSuccess, wxString());
}

int RunResetCommand(const CliOptions& options, CliOutput& output)
{
    if (!options.yes)
        return output.Result(kExitBadArguments,
                             _("A factory reset erases all games and data on the Zephlark. Add "
                               "--yes to do it."));
    DeviceConnection connection(nullptr);
    if (const auto code =
            WaitForZephlarkOrReport(connection, NamedDevice(options), options.wait, output))
        return *code;
    if (connection.SendLine("factoryreset") <= 0)
        return output.Result(kExitFailed, _("The factory reset could not be sent."));
    return output.Result(kExitSuccess,
                         wxString::Format(_("Factory reset sent to the Zephlark %s: it erases "
                                            "its games and data and restarts."),
                                          connection.GetSerialNumber()));
}

int RunConsoleCommand(const CliOptions& options, CliOutput& output)
{
    output.ShowDeviceText(true);
    return ConsoleSession(options, output).Run();
}
