#pragma once

#include <wx/log.h>

#include <string>

// Keeps every logged message as one line ended by CR LF, without level, time or origin, for the
// user to copy and hand on. GUI thread only: wx delivers other threads' records there.
//
// A chatty device logs for as long as the program runs, so the text is bounded: the newest
// kKeptBytes always stay, and once older lines were dropped the copied text says so first. The
// header (what runs where) comes before all of it, whatever was dropped.
class LogAccumulator : public wxLog
{
public:
    static constexpr size_t kKeptBytes = 32u << 20;     // 32 MiB
    static constexpr size_t kTrimSlackBytes = 8u << 20; // trim in batches, not on every line

    explicit LogAccumulator(const wxString& header) : header(header) {}

    // The header, then the collected text, headed by a note when older messages were dropped.
    wxString GetText() const;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    void DropOldestLines();

    wxString header;
    std::string text; // UTF-8: half the memory of wide characters for the ASCII a device writes
    size_t droppedBytes = 0;
};
