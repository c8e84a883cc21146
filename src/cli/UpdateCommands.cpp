// update and recover: the window's firmware update engine, shown as lines or JSON events.

#include "cli/CliCommands.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/wxcrt.h>

#include <optional>

#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/DeviceChoice.h"
#include "cli/DeviceWait.h"
#include "cli/ExitCodes.h"
#include "update/FirmwareFile.h"
#include "update/FirmwareUpdate.h"
#include "update/FirmwareUpdateProgress.h"
#include "Interrupt.h"
#include "deviceconnection.h"

namespace {

// The percentage that the device's install status carries ("Unpacking 40%"), if any.
std::optional<int> PercentIn(const wxString& message)
{
    const int sign = message.Find('%', true);
    int start = sign;
    while (start > 0 && wxIsdigit(message[start - 1]))
        --start;
    long percent = 0;
    if (sign == wxNOT_FOUND || start == sign ||
        !message.Mid(start, sign - start).ToLong(&percent) || percent > 100)
        return std::nullopt;
    return static_cast<int>(percent);
}

// The engine's steps as output lines; a Ctrl+C is passed on as a stop request.
class CliProgress : public FirmwareUpdateProgress
{
public:
    explicit CliProgress(CliOutput& output) : output(output) {}

    void PhaseChanged(UpdatePhase next) override { phase = next; }
    void Pulse(const wxString& message) override
    {
        NoticeInterrupt();
        if (message == lastStep)
            return;
        lastStep = message;
        if (const auto percent = PercentIn(message); percent && phase == UpdatePhase::Installing)
            output.DeviceProgress(message, UpdatePhaseId(phase), *percent / 100.0);
        else
            output.Step(message, UpdatePhaseId(phase));
    }
    void Fraction(const wxString& message, double done) override
    {
        NoticeInterrupt();
        output.Progress(message, UpdatePhaseId(phase), done);
    }
    bool StopRequested() const override { return Interrupted(); }

private:
    void NoticeInterrupt()
    {
        if (!Interrupted() || noticed)
            return;
        noticed = true;
        output.Notice(wxString::Format(_("Ctrl+C: %s Press Ctrl+C again to leave at once; "
                                         "'zephlark-cli recover' finishes the update later."),
                                       WhatAStopDoes(phase)));
    }

    CliOutput& output;
    wxString lastStep;
    UpdatePhase phase = UpdatePhase::Checking;
    bool noticed = false;
};

// How an update ended, for a script: the exit code and a word that never changes.
struct OutcomeInfo
{
    int exitCode;
    const char* id;
};

OutcomeInfo Described(UpdateOutcome outcome)
{
    switch (outcome) {
    case UpdateOutcome::Successful:
        return {kExitSuccess, "successful"};
    case UpdateOutcome::BadFile:
        return {kExitBadArguments, "bad-file"};
    case UpdateOutcome::Refused:
        return {kExitRefused, "refused"};
    case UpdateOutcome::Stopped:
        return {kExitInterrupted, "stopped"};
    case UpdateOutcome::Busy:
        return {kExitDeviceBusy, "busy"};
    case UpdateOutcome::Failed:
        break;
    }
    return {kExitFailed, "failed"};
}

int Finish(CliOutput& output, const UpdateResult& result)
{
    wxString text = result.text;
    if (!result.detail.empty())
        text += "\n\n" + result.detail;
    if (result.reasonId == "older-file")
        text += "\n\n" + _("To install it all the same, add --allow-older.");
    const OutcomeInfo outcome = Described(result.outcome);
    return output.Result(outcome.exitCode, text,
                         {{"outcome", outcome.id},
                          {"reason", result.reasonId},
                          {"device_version", result.deviceVersion},
                          {"file_version", result.fileVersion},
                          {"serial", result.serialNumber}});
}

// The files are read before the device is waited for: a bad one is told at once, whether a
// Zephlark is plugged in or not. The update reads them again, whole, before it sends anything.
std::optional<int> CheckFiles(const CliOptions& options, CliOutput& output)
{
    const auto cannotOpen = [&](const wxString& path) {
        return output.Result(kExitBadArguments,
                             wxString::Format(_("Couldn't open the file '%s'."), path));
    };
    wxString version;
    switch (ReadFirmwareVersion(options.osFile, version)) {
    case FirmwareFileStatus::CannotOpen:
        return cannotOpen(options.osFile);
    case FirmwareFileStatus::Invalid:
        return output.Result(kExitBadArguments, _("Invalid firmware file."));
    case FirmwareFileStatus::Ok:
        break;
    }
    if (!options.keyFile.empty() && !wxFileName::IsFileReadable(options.keyFile))
        return cannotOpen(options.keyFile);
    return std::nullopt;
}

} // namespace

int RunUpdateCommand(const CliOptions& options, CliOutput& output)
{
    OutlastTheTerminal();
    if (const auto code = CheckFiles(options, output))
        return *code;
    DeviceConnection connection(nullptr);
    if (const auto code =
            WaitForZephlarkOrReport(connection, NamedDevice(options), options.wait, output))
        return *code;
    CliProgress progress(output);
    FirmwareUpdate update(connection, progress);
    return Finish(output, update.Run(options.osFile, options.keyFile, options.allowOlder));
}

// The device may be on its data disk (the program ended while it copied): no serial port then,
// and the disk alone is enough to start.
int RunRecoverCommand(const CliOptions& options, CliOutput& output)
{
    OutlastTheTerminal();
    DeviceConnection connection(nullptr);
    const auto reachable = [](DeviceConnection& c) {
        return c.IsDeviceIdentified() || c.HasDataDisk();
    };
    if (const auto code = WaitForZephlarkOrReport(connection, NamedDevice(options), options.wait,
                                                  output, reachable))
        return *code;
    const auto unfinished = FirmwareUpdate::UnfinishedFor(connection);
    if (!unfinished)
        return output.Result(kExitSuccess, _("No interrupted update of this Zephlark to finish."));
    CliProgress progress(output);
    FirmwareUpdate update(connection, progress);
    return Finish(output, update.Recover(*unfinished));
}
