// Fuzzes the device's line classifier (PassAutomatically, ReadSerialLine) with arbitrary device
// lines, in automatic and manual reading.
//
// The input is text. Each line (up to a line feed) is a device line, queued as the reader would
// queue it, except two control lines:
//   "\x01"  one ReadSerialLine in manual reading
//   "\x02"  one automatic pass, as one notification of the reader runs it
// Automatic passes then drain what is left. Carriage returns are left out, and a line that is not
// UTF-8 is sent as the UTF-8 of its bytes read as Latin-1: the queue's decoding has its own tests.
//
// Nothing crashes; every pass takes whole lines, at least one when one waits; device text is
// logged unchanged; in manual reading each ReadSerialLine takes exactly the next line and returns
// it, so that the update's waits miss none. Once a "~screen", "~stats:" or "~memstats:" line was
// taken, later lines may be swallowed: from there on only the first three are checked.

#include <wx/event.h>
#include <wx/init.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceLineClassifier.h"
#include "LogCapture.h"
#include "SerialLineQueue.h"

namespace {

// A property that does not hold ends the run with an abort, so that libFuzzer keeps the input as
// a crash and the replay of a corpus fails, naming the property.
void RequireProperty(bool holds, const char* property)
{
    if (holds)
        return;
    std::fprintf(stderr, "Fuzz property violated: %s\n", property);
    std::abort();
}

constexpr char kManualRead = '\x01';
constexpr char kAutomaticPass = '\x02';
const wxString kClassifierMessages[] = {"Screenshot begin...", "Trace no Lua",
                                        "Serial backlog, continuing..."};
const wxString kInvalidTracePrefix = "Invalid trace: ";
const wxString kTraceValueMarker = "~tr: ";

struct FedLine
{
    wxString text;
    size_t bytes; // with its line feed
};

bool MaySwallowLaterLines(const wxString& line)
{
    return line.StartsWith("~screen") || line == "~stats:" || line == "~memstats:";
}

class ClassifierDriver
{
public:
    void Send(std::string_view bytes)
    {
        std::string line;
        for (char c : bytes) {
            if (c != '\r')
                line.push_back(c);
        }
        wxString text = wxString::FromUTF8(line.data(), line.size());
        if (text.empty() && !line.empty()) {
            line = wxString::From8BitData(line.data(), line.size()).utf8_string();
            text = wxString::FromUTF8(line.data(), line.size());
        }
        // The queue shows a NUL as a dot, so that the log keeps the rest of the line.
        text.Replace(wxString(wxUniChar(0)), ".");
        line.push_back('\n');
        queue.QueueBytes(reinterpret_cast<const uint8_t*>(line.data()), line.size());
        waiting.push_back({text, line.size()});
        fedTexts.insert(text);
        queuedBytes += line.size();
    }

    void ReadManually()
    {
        if (!manual)
            classifier.SetReadMode(DeviceLineClassifier::Manual);
        manual = true;
        const wxString returned = classifier.ReadSerialLine();
        const bool checked = !swallowingMayHaveBegun;
        const std::vector<wxString> taken = TakeHandledLines();
        if (!checked)
            return;
        RequireProperty(taken.size() <= 1, "one ReadSerialLine takes at most one line");
        RequireProperty(returned == (taken.empty() ? wxString() : taken.front()),
                        "ReadSerialLine returns the line it took");
    }

    void PassAutomatically()
    {
        const bool lineWaits = !waiting.empty();
        if (manual)
            classifier.SetReadMode(DeviceLineClassifier::Automatic);
        else
            classifier.PassAutomatically();
        manual = false;
        RequireProperty(!lineWaits || !TakeHandledLines().empty(),
                        "a pass takes a line when one waits");
    }

    void DrainAutomatically()
    {
        while (!waiting.empty())
            PassAutomatically();
    }

    void RequireDeviceTextLoggedUnchanged()
    {
        for (const wxString& message : log.Messages())
            RequireProperty(IsFedLine(message) || IsClassifierMessage(message),
                            "device text is logged unchanged");
    }

private:
    // The lines the last call took from the queue, in order.
    std::vector<wxString> TakeHandledLines()
    {
        const size_t nowQueued = queue.QueuedBytes();
        size_t takenBytes = queuedBytes - nowQueued;
        queuedBytes = nowQueued;
        std::vector<wxString> taken;
        while (takenBytes > 0) {
            RequireProperty(!waiting.empty() && waiting.front().bytes <= takenBytes,
                            "the classifier takes whole lines");
            takenBytes -= waiting.front().bytes;
            taken.push_back(waiting.front().text);
            swallowingMayHaveBegun |= MaySwallowLaterLines(waiting.front().text);
            waiting.pop_front();
        }
        return taken;
    }

    bool IsFedLine(const wxString& text) const { return fedTexts.count(text) > 0; }

    bool IsClassifierMessage(const wxString& message) const
    {
        for (const wxString& known : kClassifierMessages) {
            if (message == known)
                return true;
        }
        wxString value;
        return message.StartsWith(kInvalidTracePrefix, &value) &&
               IsFedLine(kTraceValueMarker + value);
    }

    LogCapture log;
    wxEvtHandler announcements; // never handled: the driver runs each pass itself
    SerialLineQueue queue{&announcements, 0};
    DeviceLineClassifier classifier{queue, nullptr};
    bool manual = false;
    bool swallowingMayHaveBegun = false;
    std::deque<FedLine> waiting; // sent, not yet taken by the classifier
    size_t queuedBytes = 0;
    std::set<wxString> fedTexts;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer wx;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    ClassifierDriver driver;
    while (!input.empty()) {
        const size_t lineEnd = std::min(input.find('\n'), input.size());
        const std::string_view line = input.substr(0, lineEnd);
        input.remove_prefix(std::min(lineEnd + 1, input.size()));
        if (line.size() == 1 && line[0] == kManualRead)
            driver.ReadManually();
        else if (line.size() == 1 && line[0] == kAutomaticPass)
            driver.PassAutomatically();
        else
            driver.Send(line);
    }
    driver.DrainAutomatically();
    driver.RequireDeviceTextLoggedUnchanged();
    return 0;
}
