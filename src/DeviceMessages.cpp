// How DeviceConnection reads what the device sends: console lines go to the log, lines starting
// with "~" switch the classifier's state or carry reports.

#include "deviceconnection.h"

#include <wx/log.h>

namespace {

// One notification handles at most this many counted lines, so a chatty device cannot hold the
// GUI thread; the reader announces the rest again within about 10 ms.
constexpr int kMaxLinesPerPass = 100;
// Trace capture ends once it has absorbed more than this many characters.
constexpr size_t kTraceCaptureLimit = 512;
// Device text kept for the firmware update while it is not reading itself; far more than a
// restart's worth of console output, and a bound against a device that floods meanwhile.
constexpr size_t kMaxHeldLines = 1000;

// The device's markers, made wide once: a wxString compared with a char literal converts the
// literal through the C library's locale on every call, which was most of the cost of a line.
const wxString kScreenMarker = wxS("~screen");
const wxString kStopTraceMarker = wxS("~stoptrace: OK");
const wxString kControlMarker = wxS("~ctl: ");
const wxString kTraceNoLuaMarker = wxS("~lt:nolua");
const wxString kTraceMarker = wxS("~lt:");
const wxString kTraceValueMarker = wxS("~tr: ");
const wxString kTraceValuePrefix = wxS("0x");
const wxString kStatsMarker = wxS("~stats:");
const wxString kMemStatsMarker = wxS("~memstats:");
const wxString kVersionMarker = wxS("~version:");

// Device text is never used as a format string.
void LogDeviceText(const wxString& text)
{
    wxLogger(wxLOG_Message, __FILE__, __LINE__, __func__, kDeviceTextLogComponent).Log("%s", text);
}

} // namespace

wxString DeviceConnection::HandleSerialInput()
{
    wxString result;
    int count = 0;
    wxString line;
    while (lineQueue.GetLine(line)) {
        result = line;
        switch (inputState) {
        case Stats:
        case MemStats:
        case Screenshot:
            continue;
        case Version:
            ReadVersion(line);
            // A manual reader gets every line: a status line that arrives while a report is
            // incomplete must not vanish inside it.
            if (readMode == Manual)
                return result;
            continue;
        default:
            break;
        }
        if (line.StartsWith(kScreenMarker)) {
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
    else if (line.StartsWith(kStopTraceMarker) || line.StartsWith(kControlMarker))
        return;
    else if (line.StartsWith(kTraceNoLuaMarker))
        wxLogMessage("Trace no Lua");
    else if (line.StartsWith(kTraceMarker))
        traceBudget = wxString();
    else if (line.StartsWith(kTraceValueMarker, &traceValue)) {
        if (!traceValue.StartsWith(kTraceValuePrefix))
            wxLogMessage("Invalid trace: %s", traceValue);
    } else if (line == kStatsMarker)
        inputState = Stats;
    else if (line == kMemStatsMarker)
        inputState = MemStats;
    else if (line == kVersionMarker) {
        // A new report replaces the whole record; old values would make it look complete early.
        target.clear();
        ClearVersionRecord();
        inputState = Version;
    } else if (!line.empty()) {
        LogDeviceText(line);
        HoldForUpdate(line);
    }
}

void DeviceConnection::HoldForUpdate(const wxString& line)
{
    if (!holdingDeviceText)
        return;
    heldDeviceText.push_back(line);
    if (heldDeviceText.size() > kMaxHeldLines)
        heldDeviceText.pop_front();
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
    if (VersionRecordComplete()) {
        inputState = Normal;
        if (deviceInterface)
            deviceInterface->DeviceIdentified();
    }
    return true;
}

bool DeviceConnection::VersionRecordComplete() const
{
    return !bootBuild.empty() && !build.empty() && !sdk.empty() && !serialNumber.empty() &&
           !target.empty();
}
