#pragma once

// Each run of a program keeps its log in a file of its own, so that what happened is still there
// after the program closed or crashed: "<stem>-YYYYMMDD-HHMMSS-<process id>.log" (the start time
// in UTC, so the names sort by start even across a clock change to or from summer time; the
// process id keeps two runs started in the same second apart).

#include <wx/file.h>
#include <wx/log.h>

#include <memory>
#include <string>

// The folder of the log files in the user's state folder, made when missing; empty (logged) when
// it cannot be made.
wxString RunLogFolder();

// A log target that writes every record as one line, its local time first, to this run's file.
// Each line goes straight to the file descriptor, unbuffered, so a crash loses at most the line
// being written.
class RunLogFile : public wxLog
{
public:
    static constexpr size_t kKeptRuns = 10;       // this run's file included
    static constexpr size_t kCapBytes = 8u << 20; // 8 MiB

    // Deletes all but the newest kKeptRuns - 1 files of earlier runs in folder (files of another
    // name are left alone) and starts this run's file there. Null (the reason logged) when it
    // cannot be made.
    static std::unique_ptr<RunLogFile> Start(const wxString& folder, const wxString& stem,
                                             size_t capBytes = kCapBytes);

    const wxString& GetPath() const { return path; }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    RunLogFile(const wxString& path, size_t capBytes);
    void WriteLine(const std::string& line);
    bool WriteBytes(const std::string& bytes);

    wxString path;
    wxFile file; // closed once the cap is reached or a write failed
    size_t capBytes;
    size_t writtenBytes = 0;
};
