// How DeviceConnection reads what the device sends: console lines go to the log, lines starting
// with "~" switch the classifier's state or carry reports.

#include "deviceconnection.h"

#include <wx/log.h>

#include "readthread.h"

namespace {

// One notification handles at most this many counted lines, so a chatty device cannot hold the
// GUI thread; the reader announces the rest again within about 10 ms.
constexpr int kMaxLinesPerPass = 100;
// Trace capture ends once it has absorbed more than this many characters.
constexpr size_t kTraceCaptureLimit = 512;

// Device text is never used as a format string.
void LogDeviceText(const wxString& text)
{
    wxLogMessage("%s", text);
}

} // namespace

wxString DeviceConnection::HandleSerialInput()
{
    wxString result;
    if (!readerThread)
        return result;
    int count = 0;
    wxString line;
    while (readerThread->GetLine(line)) {
        result = line;
        switch (inputState) {
        case Stats:
        case MemStats:
        case Screenshot:
            continue;
        case Version:
            ReadVersion(line);
            continue;
        default:
            break;
        }
        if (line.StartsWith("~screen")) {
            inputState = Screenshot;
            wxLogMessage("Screenshot begin...");
            return result;
        }
        ClassifyNormalLine(line);
        if (readMode == Manual)
            return result;
        if (++count > kMaxLinesPerPass) {
            wxLogMessage("Serial backlog, continuing...");
            return result;
        }
    }
    return result;
}

void DeviceConnection::ClassifyNormalLine(const wxString& line)
{
    wxString traceValue;
    if (traceBudget)
        AbsorbTraceLine(line);
    else if (line.StartsWith("~stoptrace: OK") || line.StartsWith("~ctl: "))
        return;
    else if (line.StartsWith("~lt:nolua"))
        wxLogMessage("Trace no Lua");
    else if (line.StartsWith("~lt:"))
        traceBudget = wxString();
    else if (line.StartsWith("~tr: ", &traceValue)) {
        if (!traceValue.StartsWith("0x"))
            wxLogMessage("Invalid trace: %s", traceValue);
    } else if (line == "~stats:")
        inputState = Stats;
    else if (line == "~memstats:")
        inputState = MemStats;
    else if (line == "~version:")
        inputState = Version;
    else if (!line.empty())
        LogDeviceText(line);
}

void DeviceConnection::AbsorbTraceLine(const wxString& line)
{
    if (line.empty()) {
        traceBudget.reset();
        return;
    }
    *traceBudget << line << '\n';
    if (traceBudget->length() > kTraceCaptureLimit)
        traceBudget.reset();
}

bool DeviceConnection::ReadVersion(const wxString& line)
{
    LogDeviceText(line);
    const std::pair<const char*, wxString*> fields[] = {
        {"target=", &target},         {"boot_build=", &bootBuild}, {"build=", &build},
        {"boot_commit=", &bootBuild}, {"commit=", &build},         {"SDK=", &sdk},
        {"serial#=", &serialNumber},
    };
    for (const auto& [prefix, field] : fields) {
        wxString rest;
        if (line.StartsWith(prefix, &rest)) {
            *field = rest;
            break;
        }
    }
    if (VersionRecordComplete())
        inputState = Normal;
    return true;
}

bool DeviceConnection::VersionRecordComplete() const
{
    return !bootBuild.empty() && !build.empty() && !sdk.empty() && !serialNumber.empty() &&
           !target.empty();
}
