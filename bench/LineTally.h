#pragma once

// The benchmark's log target, last in the chain: every record reaches it after the program's own
// targets handled it, so the moment it sees a flood line is the moment the GUI thread finished
// with that line. It proves that each expected line came exactly once and in order, and keeps
// each stamped line's delay. GUI thread only: wx hands other threads' records over there.

#include <wx/log.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

class LineTally : public wxLog
{
public:
    // Passes every record on to next (not owned; may be null) before counting it.
    explicit LineTally(wxLog* next);

    // Starts a phase that expects count lines from firstSeq on.
    void Expect(uint32_t firstSeq, uint32_t count);
    // Runs on the GUI thread once the phase's last line was handled; null for nothing.
    void OnComplete(std::function<void()> action) { whenComplete = std::move(action); }

    uint32_t InOrder() const { return inOrder; }
    uint32_t Repeated() const { return repeated; }
    uint64_t BacklogNotices() const { return backlogNotices; }
    uint64_t OverflowNotices() const { return overflowNotices; }
    std::chrono::steady_clock::time_point LastHandled() const { return lastHandled; }
    // Delay of each stamped line, from its send stamp to its handling, in arrival order.
    const std::vector<std::chrono::nanoseconds>& Delays() const { return delays; }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    void CountProgramNotice(const wxString& msg);

    wxLog* const next;
    uint32_t firstSeq = 0;
    uint32_t expectedCount = 0;
    uint32_t nextSeq = 0;
    uint32_t inOrder = 0;
    uint32_t repeated = 0;
    uint64_t backlogNotices = 0;
    uint64_t overflowNotices = 0;
    std::chrono::steady_clock::time_point lastHandled;
    std::vector<std::chrono::nanoseconds> delays;
    std::function<void()> whenComplete;
};
