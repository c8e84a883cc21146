#include "LineTally.h"

#include "FloodLine.h"

namespace {

// What the program logs about its own reading, besides the device's lines.
const wxString kBacklogNotice = "Serial backlog, continuing...";
const wxString kOverflowNotice = "Serial buffer full";

} // namespace

LineTally::LineTally(wxLog* next) : next(next) {}

void LineTally::Expect(uint32_t first, uint32_t count)
{
    firstSeq = first;
    expectedCount = count;
    nextSeq = first;
    inOrder = repeated = 0;
    backlogNotices = overflowNotices = 0;
    delays.clear();
    delays.reserve(count);
}

void LineTally::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info)
{
    if (next)
        next->LogRecord(level, msg, info);
    const auto now = std::chrono::steady_clock::now();
    const auto line = ParseFloodLine(msg);
    if (!line) {
        CountProgramNotice(msg);
        return;
    }
    if (line->seq < nextSeq) {
        ++repeated;
        return;
    }
    nextSeq = line->seq + 1;
    ++inOrder;
    lastHandled = now;
    if (line->sentNs != 0)
        delays.push_back(now.time_since_epoch() - std::chrono::nanoseconds{line->sentNs});
    if (nextSeq == firstSeq + expectedCount && whenComplete)
        whenComplete();
}

void LineTally::CountProgramNotice(const wxString& msg)
{
    if (msg == kBacklogNotice)
        ++backlogNotices;
    else if (msg.StartsWith(kOverflowNotice))
        ++overflowNotices;
}
