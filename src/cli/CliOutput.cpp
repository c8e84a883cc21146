#include "CliOutput.h"

#include <wx/datetime.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "DeviceAccessReport.h"
#include "JsonLine.h"
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

void WriteLine(FILE* stream, const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void WriteLine(FILE* stream, const wxString& text)
{
    WriteLine(stream, std::string(text.utf8_str()));
}

JsonLine Event(const char* name)
{
    JsonLine line;
    line.Add("event", name).Add("time", UtcTimeStamp());
    return line;
}

} // namespace

CliOutput::CliOutput(bool json, bool verbose)
    : json(json), verbose(verbose), progressToTerminal(isatty(STDERR_FILENO) != 0)
{}

void CliOutput::Step(const wxString& text)
{
    lastPercent = -1;
    if (json)
        return WriteLine(stdout, Event("step").Add("text", text).Text());
    EndProgressLine();
    WriteLine(stderr, text);
}

void CliOutput::Progress(const wxString& text, double done)
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
        return WriteLine(stdout, Event("progress").Add("text", text).Add("fraction", done).Text());
    const wxString line = wxString::Format("%s %d%%", text, percent);
    if (!progressToTerminal)
        return WriteLine(stderr, line);
    // Padded over the line before: the key's copy starts again below the OS file's 100 %.
    const std::string lineText(line.utf8_str());
    std::fprintf(stderr, "\r%-*s", progressLineWidth, lineText.c_str());
    std::fflush(stderr);
    progressLineOpen = true;
    progressLineWidth = static_cast<int>(lineText.size());
}

void CliOutput::ProgramLog(const wxString& text)
{
    if (json)
        return WriteLine(stdout, Event("log").Add("source", "program").Add("text", text).Text());
    if (!verbose)
        return;
    EndProgressLine();
    WriteLine(stderr, LocalTimeStamp() + " " + text);
}

void CliOutput::DeviceText(const wxString& text)
{
    if (json)
        return WriteLine(stdout, Event("log").Add("source", "device").Add("text", text).Text());
    if (!deviceTextShown && !verbose)
        return;
    EndProgressLine();
    WriteLine(deviceTextShown ? stdout : stderr, LocalTimeStamp() + " " + text);
}

void CliOutput::Device(const wxString& state,
                       const std::vector<std::pair<const char*, wxString>>& fields)
{
    if (json) {
        JsonLine line = Event("device");
        line.Add("state", state);
        for (const auto& [name, value] : fields)
            line.Add(name, value);
        return WriteLine(stdout, line.Text());
    }
    EndProgressLine();
    if (deviceTextShown) {
        // Console: a mark between the device's lines.
        wxString mark = LocalTimeStamp() + " --- " + state;
        for (const auto& [name, value] : fields)
            mark << " " << value;
        return WriteLine(stdout, mark);
    }
    for (const auto& [name, value] : fields)
        WriteLine(stdout, wxString::Format("%-11s %s", wxString(name) + ":", value));
}

void CliOutput::Check(const wxString& name, bool ok, const wxString& text, const wxString& fix)
{
    if (json)
        return WriteLine(stdout, Event("check")
                                     .Add("name", name)
                                     .Add("ok", ok)
                                     .Add("text", text)
                                     .Add("fix", fix)
                                     .Text());
    WriteLine(stdout, DeviceAccessCheckText({name, ok, text, fix}));
}

void CliOutput::Notice(const wxString& text)
{
    if (json)
        return WriteLine(stdout, Event("log").Add("source", "program").Add("text", text).Text());
    EndProgressLine();
    WriteLine(stderr, text);
}

int CliOutput::Result(int exitCode, const wxString& text)
{
    if (json) {
        WriteLine(stdout, Event("result")
                              .Add("ok", exitCode == 0)
                              .Add("exit_code", exitCode)
                              .Add("text", text)
                              .Text());
        return exitCode;
    }
    EndProgressLine();
    if (!text.empty())
        WriteLine(exitCode == 0 ? stdout : stderr, text);
    return exitCode;
}

void CliOutput::EndProgressLine()
{
    if (!progressLineOpen)
        return;
    std::fputc('\n', stderr);
    progressLineOpen = false;
    progressLineWidth = 0;
}

void CliLogTarget::DoLogRecord(wxLogLevel, const wxString& message, const wxLogRecordInfo& info)
{
    if (info.component && std::strcmp(info.component, kDeviceTextLogComponent) == 0)
        output.DeviceText(message);
    else
        output.ProgramLog(message);
}
