#include "cli/CliOutput.h"

#include <wx/datetime.h>
#include <wx/intl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "DeviceAccessReport.h"
#include "cli/JsonLine.h"
#include "deviceconnection.h"

namespace {

// A copy shows on a terminal as one line redrawn in place; elsewhere (a log file) as a line at
// every tenth, so that it neither floods nor stays silent.
constexpr int kPercentStepOffTerminal = 10;

wxString UtcTimeStamp()
{
    return wxDateTime::UNow().ToUTC().Format("%Y-%m-%dT%H:%M:%S.%lZ");
}

wxString LocalTimeStamp()
{
    return wxDateTime::UNow().Format("%H:%M:%S.%l");
}

// The version of the JSON lines' contract (docs/zephlark-cli.schema.json): a new field leaves it,
// a field renamed, removed or given another meaning raises it.
constexpr int kJsonSchemaVersion = 1;

JsonLine Event(const char* name)
{
    JsonLine line;
    line.Add("schema", kJsonSchemaVersion).Add("event", name).Add("time", UtcTimeStamp());
    return line;
}

const char* SeverityOf(wxLogLevel level)
{
    if (level <= wxLOG_Error)
        return "error";
    if (level == wxLOG_Warning)
        return "warning";
    if (level <= wxLOG_Info)
        return "info";
    return "debug";
}

} // namespace

CliOutput::CliOutput(bool json, bool verbose)
    : json(json), verbose(verbose), progressToTerminal(isatty(STDERR_FILENO) != 0)
{}

void CliOutput::Step(const wxString& text, const char* stepId)
{
    lastPercent = -1;
    if (json)
        return WriteJson(Event("step").Add("step", stepId).Add("text", text));
    EndProgressLine();
    WriteLine(err, text);
}

void CliOutput::Progress(const wxString& text, const char* stepId, double done)
{
    const int percent = static_cast<int>(done * 100);
    const bool shown =
        progressToTerminal && !json
            ? percent != lastPercent
            : percent / kPercentStepOffTerminal != lastPercent / kPercentStepOffTerminal ||
                  lastPercent < 0;
    if (!shown)
        return;
    lastPercent = percent;
    if (json)
        return WriteJson(
            Event("progress").Add("step", stepId).Add("text", text).Add("fraction", done));
    const wxString line = wxString::Format("%s %d%%", text, percent);
    if (!progressToTerminal)
        return WriteLine(err, line);
    // Padded over the line before: the key's copy starts again below the OS file's 100 %.
    const std::string lineText(line.utf8_str());
    const size_t padding = std::max(0, progressLineWidth - static_cast<int>(lineText.size()));
    Write(err, "\r" + lineText + std::string(padding, ' '));
    progressLineOpen = true;
    progressLineWidth = static_cast<int>(lineText.size());
}

void CliOutput::DeviceProgress(const wxString& text, const char* stepId, double done)
{
    if (json)
        return Progress(text, stepId, done);
    Step(text, stepId);
}

void CliOutput::ProgramLog(const wxString& text, const char* severity)
{
    if (json)
        return WriteJson(
            Event("log").Add("source", "program").Add("severity", severity).Add("text", text));
    if (!verbose)
        return;
    EndProgressLine();
    WriteLine(err, LocalTimeStamp() + " " + text);
}

void CliOutput::HoldDeviceText(bool hold)
{
    deviceTextHeld = hold;
    if (hold)
        return;
    for (const wxString& text : heldDeviceText)
        DeviceText(text);
    heldDeviceText.clear();
}

void CliOutput::DeviceText(const wxString& text)
{
    if (deviceTextHeld)
        return heldDeviceText.push_back(text);
    if (json)
        return WriteJson(
            Event("log").Add("source", "device").Add("severity", "info").Add("text", text));
    if (!deviceTextShown && !verbose)
        return;
    EndProgressLine();
    // The device's bytes must not drive the terminal: an ESC sequence or a BEL is shown as text.
    Write(deviceTextShown ? out : err,
          LocalTimeStamp().utf8_string() + " " + EscapedControls(text) + "\n");
}

void CliOutput::Device(const wxString& state, const Fields& fields)
{
    if (json) {
        JsonLine line = Event("device");
        line.Add("state", state);
        for (const auto& [name, value] : fields)
            line.Add(name, value);
        return WriteJson(line);
    }
    EndProgressLine();
    if (deviceTextShown) {
        // Console: a mark between the device's lines.
        wxString mark = LocalTimeStamp() + " --- " + state;
        for (const auto& [name, value] : fields)
            mark << " " << value;
        return WriteLine(out, mark);
    }
    for (const auto& [name, value] : fields)
        WriteLine(out, wxString::Format("%-11s %s", wxString(name) + ":", value));
}

void CliOutput::ListedDevice(const Fields& fields)
{
    if (json) {
        JsonLine line = Event("device");
        line.Add("state", "listed");
        for (const auto& [name, value] : fields)
            if (!value.empty())
                line.Add(name, value);
        return WriteJson(line);
    }
    wxString row;
    for (const auto& [name, value] : fields)
        row << wxString::Format("%-14s ", value.empty() ? wxString("-") : value);
    WriteLine(out, row.Trim());
}

void CliOutput::Check(const wxString& name, bool ok, const wxString& text, const wxString& fix)
{
    if (json)
        return WriteJson(
            Event("check").Add("name", name).Add("ok", ok).Add("text", text).Add("fix", fix));
    WriteLine(out, DeviceAccessCheckText({name, ok, text, fix}));
}

void CliOutput::Notice(const wxString& text)
{
    if (json)
        return WriteJson(
            Event("log").Add("source", "program").Add("severity", "warning").Add("text", text));
    EndProgressLine();
    WriteLine(err, text);
}

int CliOutput::Result(int exitCode, const wxString& text, const Fields& fields)
{
    if (json) {
        JsonLine line = Event("result");
        line.Add("ok", exitCode == 0).Add("exit_code", exitCode).Add("text", text);
        for (const auto& [name, value] : fields)
            line.Add(name, value);
        WriteJson(line);
        return exitCode;
    }
    EndProgressLine();
    if (!text.empty())
        WriteLine(exitCode == 0 ? out : err, text);
    return exitCode;
}

void CliOutput::WriteJson(const JsonLine& line)
{
    Write(out, line.Text() + "\n");
}

void CliOutput::WriteLine(Stream& stream, const wxString& text)
{
    Write(stream, text.utf8_string() + "\n");
}

void CliOutput::Write(Stream& stream, const std::string& bytes)
{
    if (stream.lost)
        return;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream.file) == bytes.size();
    if (std::fflush(stream.file) == 0 && written)
        return;
    stream.lost = true;
    if (&stream == &out)
        WriteLine(err, _("Standard output was closed: zephlark-cli goes on to the end of the "
                         "command and writes nothing more there."));
}

void CliOutput::EndProgressLine()
{
    if (!progressLineOpen)
        return;
    Write(err, "\n");
    progressLineOpen = false;
    progressLineWidth = 0;
}

void CliLogTarget::DoLogRecord(wxLogLevel level, const wxString& message,
                               const wxLogRecordInfo& info)
{
    if (info.component && std::strcmp(info.component, kDeviceTextLogComponent) == 0)
        output.DeviceText(message);
    else
        output.ProgramLog(message, SeverityOf(level));
}
