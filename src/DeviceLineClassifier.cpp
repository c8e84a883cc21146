#include "DeviceLineClassifier.h"

#include <wx/log.h>

#include <utility>

#include "DeviceInterface.h"
#include "SerialLineQueue.h"

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

bool DeviceVersionRecord::Complete() const
{
    return !bootBuild.empty() && !build.empty() && !sdk.empty() && !serialNumber.empty() &&
           !target.empty();
}

DeviceLineClassifier::DeviceLineClassifier(SerialLineQueue& lines, DeviceInterface* owner)
    : lineQueue(lines), deviceInterface(owner)
{}

wxString DeviceLineClassifier::HandleSerialInput()
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
        case VersionReport:
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

void DeviceLineClassifier::PassAutomatically()
{
    if (readMode != Automatic)
        return;
    HandleSerialInput();
    lineQueue.ReadyForMore();
}

void DeviceLineClassifier::SetReadMode(ReadMode mode)
{
    readMode = mode;
    PassAutomatically();
}

wxString DeviceLineClassifier::ReadSerialLine()
{
    if (readMode == Automatic) {
        wxLogMessage("Attempted to manually read serial connection in automatic mode.");
        return wxString();
    }
    if (!heldDeviceText.empty()) {
        const wxString line = heldDeviceText.front();
        heldDeviceText.pop_front();
        return line;
    }
    const wxString line = HandleSerialInput();
    lineQueue.ReadyForMore();
    return line;
}

void DeviceLineClassifier::HoldDeviceText(bool hold)
{
    holdingDeviceText = hold;
    heldDeviceText.clear();
}

void DeviceLineClassifier::EndConnectionInput()
{
    while (readMode == Automatic && lineQueue.HasLine())
        HandleSerialInput();
    lineQueue.DropUnfinishedLine();
    inputState = Normal;
    traceBudget.reset();
}

void DeviceLineClassifier::ClearVersionRecord()
{
    DeviceVersionRecord cleared;
    cleared.target = version.target;
    version = cleared;
}

void DeviceLineClassifier::ClassifyNormalLine(const wxString& line)
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
        version = DeviceVersionRecord{};
        inputState = VersionReport;
    } else if (!line.empty()) {
        LogDeviceText(line);
        HoldForUpdate(line);
    }
}

void DeviceLineClassifier::HoldForUpdate(const wxString& line)
{
    if (!holdingDeviceText)
        return;
    heldDeviceText.push_back(line);
    if (heldDeviceText.size() > kMaxHeldLines)
        heldDeviceText.pop_front();
}

void DeviceLineClassifier::AbsorbTraceLine(const wxString& line)
{
    if (line.empty()) {
        traceBudget.reset();
        return;
    }
    *traceBudget << line << '\n';
    if (traceBudget->length() > kTraceCaptureLimit)
        traceBudget.reset();
}

void DeviceLineClassifier::ReadVersion(const wxString& line)
{
    LogDeviceText(line);
    const std::pair<const char*, wxString*> fields[] = {
        {"target=", &version.target},        {"boot_build=", &version.bootBuild},
        {"build=", &version.build},          {"boot_commit=", &version.bootBuild},
        {"commit=", &version.build},         {"SDK=", &version.sdk},
        {"serial#=", &version.serialNumber},
    };
    for (const auto& [prefix, field] : fields) {
        wxString rest;
        if (line.StartsWith(prefix, &rest)) {
            *field = rest;
            break;
        }
    }
    if (version.Complete()) {
        inputState = Normal;
        if (deviceInterface)
            deviceInterface->DeviceIdentified();
    }
}
