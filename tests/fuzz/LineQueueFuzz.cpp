// Fuzzes the reader's line queue, driven from one thread as the reader and the GUI thread drive it.
// Its 1 MiB cap, which a fuzzed input would reach only slowly, is ReaderQueueTest's.
//
// The input is a small program, one operation per byte:
//   0x00-0x3f  a read that brought the next (op) input bytes (0: the read timed out)
//   0x40-0x9f  GetLine
//   0xa0-0xff  ReadyForMore
//
// GetLine hands out exactly the next line the queue holds, without its line feed and carriage
// returns, and nothing while no line feed waits. At most one notification is outstanding, one is
// out whenever a line waits, and none goes out while none waits.

#include <wx/event.h>
#include <wx/init.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzProperty.h"
#include "SerialLineQueue.h"

namespace {

constexpr int kEventId = 2;
const wxString kInvalidUtf8Mark = "<UTF8ERR>";
constexpr auto npos = std::string_view::npos;

// Counts the notifications the queue posts instead of delivering them.
class NotificationCounter : public wxEvtHandler
{
public:
    void QueueEvent(wxEvent* event) override
    {
        ++posted;
        delete event;
    }

    int posted = 0;
};

class QueueDriver
{
public:
    QueueDriver() : queue(&notifications, kEventId) {}

    void Read(std::string_view bytes)
    {
        const int postedBefore = notifications.posted;
        fed.append(bytes);
        queue.QueueBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        RequireProperty(notifications.posted - postedBeforeReady <= 1,
                        "at most one notification is outstanding");
        RequireProperty(Held().find('\n') == npos || notifications.posted > postedBeforeReady,
                        "a waiting line is announced");
        RequireProperty(notifications.posted == postedBefore || Held().find('\n') != npos,
                        "only a waiting line is announced");
    }

    void GetLine()
    {
        const std::string_view held = Held();
        const size_t lineEnd = held.find('\n');
        wxString line;
        const bool got = queue.GetLine(line);
        if (lineEnd == npos) {
            RequireProperty(!got, "no line is handed out while no line feed waits");
            return;
        }
        RequireProperty(got, "a waiting line is handed out");
        RequireProperty(line.Find('\n') == wxNOT_FOUND, "a line holds no line feed");
        RequireProperty(queue.QueuedBytes() == held.size() - lineEnd - 1,
                        "GetLine takes exactly one line");
        RequireDecoded(line, WithoutCarriageReturns(held.substr(0, lineEnd)));
    }

    void ReadyForMore()
    {
        queue.ReadyForMore();
        postedBeforeReady = notifications.posted;
    }

private:
    // What the queue holds: the newest bytes fed.
    std::string_view Held()
    {
        const size_t count = queue.QueuedBytes();
        RequireProperty(count <= fed.size(), "the queue holds only bytes fed");
        return std::string_view(fed).substr(fed.size() - count);
    }

    static std::string WithoutCarriageReturns(std::string_view bytes)
    {
        std::string line;
        for (char c : bytes) {
            if (c != '\r')
                line.push_back(c);
        }
        return line;
    }

    static void RequireDecoded(const wxString& line, const std::string& bytes)
    {
        wxString decoded = wxString::FromUTF8(bytes.data(), bytes.size());
        decoded.Replace(wxString(wxUniChar(0)), "."); // shown, so that the rest of the line stays
        if (decoded.empty() && !bytes.empty()) {
            RequireProperty(line.StartsWith(kInvalidUtf8Mark) &&
                                line.length() == kInvalidUtf8Mark.length() + bytes.size(),
                            "invalid UTF-8 comes out marked, one character per byte");
        } else {
            RequireProperty(line == decoded,
                            "a line comes out as the device sent it (a NUL shown as a dot)");
        }
    }

    NotificationCounter notifications;
    SerialLineQueue queue;
    int postedBeforeReady = 0;
    std::string fed; // every byte fed
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer wx;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    QueueDriver driver;
    size_t position = 0;
    while (position < input.size()) {
        const uint8_t op = static_cast<uint8_t>(input[position++]);
        if (op < 0x40) {
            const std::string_view bytes = input.substr(position, op);
            position += bytes.size();
            driver.Read(bytes);
        } else if (op < 0xa0) {
            driver.GetLine();
        } else {
            driver.ReadyForMore();
        }
    }
    return 0;
}
