#pragma once

// Everything zephlark-cli tells its user. With --json, standard output carries one JSON object per
// line and nothing else; otherwise standard output carries what the command was asked for (the
// device's details, the result, the console's lines) and standard error the steps, the progress,
// the problems and, with --verbose, the program's log.

#include <wx/log.h>
#include <wx/string.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class JsonLine;

class CliOutput
{
public:
    // Details as (name, value) pairs: JSON fields, or the lines of info.
    using Fields = std::vector<std::pair<const char*, wxString>>;

    CliOutput(bool json, bool verbose);

    // A step of the command under way ("Copying files to Zephlark..."), with a word for it that
    // never changes with the language ("copying").
    void Step(const wxString& text, const char* stepId);
    // The step done to the given fraction (0 to 1).
    void Progress(const wxString& text, const char* stepId, double done);
    // What the device reports of its own work with a percentage ("Unpacking 40%"): a progress
    // event in JSON, a step line otherwise (the text says the percentage).
    void DeviceProgress(const wxString& text, const char* stepId, double done);
    // A line of the program's log with its severity ("error", "warning", "info", "debug"), or of
    // the device's own text.
    void ProgramLog(const wxString& text, const char* severity);
    void DeviceText(const wxString& text);
    // The device came or went, or is identified, with its details.
    void Device(const wxString& state, const Fields& fields);
    // One device of a list of those plugged in: a "listed" device event in JSON (its empty fields
    // left out), otherwise a line of its details in columns ("-" for an unknown one).
    void ListedDevice(const Fields& fields);
    // One check of doctor: what was found and, when it is wrong, its fix.
    void Check(const wxString& name, bool ok, const wxString& text, const wxString& fix);
    // Something the user must know now (not the result): a refusal, a Ctrl+C notice.
    void Notice(const wxString& text);
    // How the command ended: its text (shown as the window would) and the exit code it gives;
    // fields go into the JSON result only.
    int Result(int exitCode, const wxString& text, const Fields& fields = {});

    // Whether the device's text is what the command shows (console) or part of the log.
    void ShowDeviceText(bool show) { deviceTextShown = show; }
    // Holds the device's text back (hold), or writes what was held and lets it through again.
    void HoldDeviceText(bool hold);
    bool Json() const { return json; }
    // True once a write to standard output failed (its reader went away): nothing more goes there,
    // and the command goes on unless showing things is all it does.
    bool OutputLost() const { return out.lost; }

private:
    // A standard stream that takes no more writes after one failed.
    struct Stream
    {
        FILE* file;
        bool lost = false;
    };

    void WriteJson(const JsonLine& line);
    void WriteLine(Stream& stream, const wxString& text);
    void Write(Stream& stream, const std::string& bytes);
    void EndProgressLine();

    Stream out{stdout};
    Stream err{stderr};
    bool json;
    bool verbose;
    bool deviceTextShown = false;
    bool deviceTextHeld = false;
    std::vector<wxString> heldDeviceText;
    bool progressToTerminal;
    bool progressLineOpen = false;
    int progressLineWidth = 0; // bytes of the progress line shown last
    int lastPercent = -1;
};

// Sends every log record to a CliOutput: the device's text apart from the program's messages.
class CliLogTarget : public wxLog
{
public:
    explicit CliLogTarget(CliOutput& output) : output(output) {}

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message,
                     const wxLogRecordInfo& info) override;

private:
    CliOutput& output;
};
