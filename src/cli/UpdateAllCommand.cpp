// update --all: every Zephlark plugged in updated at the same time. The engine runs one device's
// update as a sequence on its thread's event loop, so each device gets a child process of this
// program pinned to its port, with its own journal and lock; this one relays their events tagged
// with the device and sums them up.

#include "cli/CliCommands.h"

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/arrstr.h>
#include <wx/evtloop.h>
#include <wx/intl.h>
#include <wx/timer.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "cli/JsonLine.h"
#include "cli/UpdateChild.h"
#include "Interrupt.h"
#include "MonotonicClock.h"
#include "Serial.h"

namespace {

constexpr auto kPortPollPause = std::chrono::milliseconds{50};
constexpr auto kChildPollInterval = std::chrono::milliseconds{20};
constexpr int kProgressSteps = 10; // a relayed copy shows as a line at every tenth

// What a failed update's text says went wrong: the line after its title ("Update Error").
wxString Why(const wxString& text)
{
    const wxArrayString lines = wxSplit(text, '\n', '\0');
    for (size_t i = 1; i < lines.size(); ++i)
        if (!lines[i].empty())
            return lines[i];
    return text;
}

wxString Field(const JsonFields& event, const char* name)
{
    const auto found = event.find(name);
    return found == event.end() ? wxString() : found->second;
}

// One device's update as the parent follows it: its child's lines relayed, its result kept for
// the summary.
class DeviceUpdate
{
public:
    DeviceUpdate(const CliOptions& options, const wxString& port, CliOutput& output)
        : port(port), output(output), child(options, port)
    {}

    void Relay()
    {
        for (const std::string& line : child.TakeLines()) {
            heard = true;
            RelayLine(line);
        }
    }
    [[nodiscard]] bool Ended() const { return !child.Started() || child.ExitStatus(); }
    // Passes a Ctrl+C on, once. A child writes its first line after it set its handler: a
    // signal before that would end it without a result.
    void PassOnInterrupt()
    {
        if (!heard || interruptPassedOn)
            return;
        interruptPassedOn = true;
        child.Interrupt();
    }

    // Its result, tagged; one is made up for a child that ended without any.
    void WriteResult()
    {
        if (!result)
            MakeUpResult();
        output.Relay(Label(), resultLine, wxString(), true);
    }
    [[nodiscard]] int ExitCode() const
    {
        long code = kExitFailed;
        return result && Field(*result, "exit_code").ToLong(&code) ? static_cast<int>(code)
                                                                   : kExitFailed;
    }
    // Its outcome and versions and, when it failed, why (its text's line after the title).
    wxString SummaryLine() const
    {
        const JsonFields& r = *result;
        wxString line = Label() + ":";
        if (!Field(r, "outcome").empty())
            line << " " << Field(r, "outcome");
        if (!Field(r, "reason").empty() && Field(r, "reason") != Field(r, "outcome"))
            line << " (" << Field(r, "reason") << ")";
        if (!Field(r, "file_version").empty())
            line << "; "
                 << wxString::Format(_("device %s, file %s"), Field(r, "device_version"),
                                     Field(r, "file_version"));
        if (ExitCode() != kExitSuccess)
            line << "; " << Why(Field(r, "text"));
        return line;
    }

private:
    wxString Label() const { return serial.empty() ? port : serial + " (" + port + ")"; }

    void RelayLine(const std::string& line)
    {
        const auto event = ReadJsonLine(line);
        if (!event) // not from a zephlark-cli of this release: passed on as a line of its log
            return RelayLine(JsonEvent("log")
                                 .Add("source", "program")
                                 .Add("severity", "warning")
                                 .Add("text", wxString::FromUTF8(line))
                                 .Text());
        const wxString name = Field(*event, "event");
        if (name == "device" && !Field(*event, "serial").empty())
            serial = Field(*event, "serial");
        if (name == "result") {
            result = event;
            resultLine = Tagged(line, *event);
            return;
        }
        const wxString text = Field(*event, "text");
        if (name == "progress")
            return RelayProgress(Tagged(line, *event), *event);
        const bool verboseOnly = name == "log" && (Field(*event, "source") == "device" ||
                                                   Field(*event, "severity") == "info" ||
                                                   Field(*event, "severity") == "debug");
        output.Relay(Label(), Tagged(line, *event), text, verboseOnly);
    }

    void RelayProgress(const std::string& line, const JsonFields& event)
    {
        double done = 0;
        Field(event, "fraction").ToCDouble(&done);
        const int step = static_cast<int>(done * kProgressSteps);
        const wxString stepId = Field(event, "step");
        if (stepId == progressStep && step == progressShown)
            return;
        progressStep = stepId;
        progressShown = step;
        // The device's install status carries its percentage in its text.
        const wxString text =
            stepId == "installing"
                ? Field(event, "text")
                : wxString::Format("%s %d%%", Field(event, "text"), static_cast<int>(done * 100));
        output.Relay(Label(), line, text, false);
    }

    // The child's line with the device's port and, once known, serial number, unless it has them.
    std::string Tagged(const std::string& line, const JsonFields& event) const
    {
        JsonLine tag;
        if (!event.count("port"))
            tag.Add("port", port);
        if (!event.count("serial") && !serial.empty())
            tag.Add("serial", serial);
        return tag.AddedTo(line);
    }

    void MakeUpResult()
    {
        const JsonLine line = JsonEvent("result")
                                  .Add("ok", false)
                                  .Add("exit_code", static_cast<int>(kExitFailed))
                                  .Add("text", _("The update ended without a result."))
                                  .Add("outcome", "failed")
                                  .Add("reason", "no-result")
                                  .Add("device_version", "")
                                  .Add("file_version", "")
                                  .Add("serial", serial);
        result = ReadJsonLine(line.Text());
        resultLine = Tagged(line.Text(), *result);
    }

    wxString port;
    wxString serial; // as the child's events tell it
    CliOutput& output;
    UpdateChild child;
    std::optional<JsonFields> result;
    std::string resultLine;
    wxString progressStep;
    int progressShown = -1;
    bool heard = false; // it wrote a line
    bool interruptPassedOn = false;
};

using DeviceUpdates = std::vector<std::unique_ptr<DeviceUpdate>>;

// The Zephlarks' ports, listed without opening any (a child's open of a port held here would
// fail), waited for up to limit; nothing when none came or Ctrl+C came first.
std::vector<wxString> WaitForPorts(std::chrono::seconds limit, CliOutput& output)
{
    const auto deadline = TheClock().Now() + limit;
    for (bool told = false;; told = true) {
        std::vector<wxString> ports;
        for (const ListedPort& listed : ListZephlarkSerialPorts())
            ports.push_back(listed.name);
        if (!ports.empty() || Interrupted() || TheClock().Now() >= deadline)
            return ports;
        if (!told)
            output.Step(_("Waiting for Zephlark..."), "waiting-for-device");
        TheClock().WaitForEvents(kPortPollPause);
    }
}

// Relays the children's lines until every one has ended, passing a Ctrl+C on to each.
// The children's ends are told through the event loop.
void FollowToTheEnd(DeviceUpdates& updates)
{
    std::unique_ptr<wxEventLoopBase> loop(wxAppConsole::GetTraitsIfExists()->CreateEventLoop());
    wxEventLoopActivator active(loop.get());
    wxTimer poll;
    poll.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (Interrupted())
            for (const auto& update : updates)
                update->PassOnInterrupt();
        bool allEnded = true;
        for (const auto& update : updates) {
            // Ended first: the lines read after the end are the last ones.
            const bool ended = update->Ended();
            update->Relay();
            allEnded = allEnded && ended;
        }
        if (allEnded)
            loop->Exit();
    });
    poll.Start(static_cast<int>(kChildPollInterval.count()));
    loop->Run();
}

// The summary: each device's result in the order the devices were listed, then the whole, whose
// exit code is the first failed device's (130 after a Ctrl+C).
int Summarize(const DeviceUpdates& updates, CliOutput& output)
{
    wxString text;
    int code = kExitSuccess;
    int updated = 0;
    for (const auto& update : updates) {
        update->WriteResult();
        text << update->SummaryLine() << "\n";
        if (update->ExitCode() == kExitSuccess)
            ++updated;
        else if (code == kExitSuccess)
            code = update->ExitCode();
    }
    // Updates that a Ctrl+C came too late to stop have succeeded all the same.
    if (Interrupted() && code != kExitSuccess)
        code = kExitInterrupted;
    text << wxString::Format(_("%d of %d Zephlarks updated."), updated,
                             static_cast<int>(updates.size()));
    return output.Result(code, text);
}

} // namespace

int RunUpdateAllCommand(const CliOptions& options, CliOutput& output)
{
    const std::vector<wxString> ports = WaitForPorts(options.wait, output);
    if (Interrupted())
        return output.Result(kExitInterrupted, _("Stopped; nothing was sent to the Zephlark."));
    if (ports.empty())
        return output.Result(
            kExitNoDevice, _("No Zephlark found. Plug in and unlock your Zephlark and try again."));
    DeviceUpdates updates;
    for (const wxString& port : ports)
        updates.push_back(std::make_unique<DeviceUpdate>(options, port, output));
    FollowToTheEnd(updates);
    return Summarize(updates, output);
}
