#include "RunLogFile.h"

#include <wx/datetime.h>
#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/utils.h>

#include <algorithm>
#include <vector>

#include "UserStateFolder.h"

namespace {

constexpr char kFolderName[] = "logs";
constexpr char kCutNotice[] = "[The log file reached its size limit here: later messages are not "
                              "in it.]\n";
constexpr size_t kCutNoticeBytes = sizeof(kCutNotice) - 1;
// The log holds the device's serial number: only the user may read it.
constexpr int kPrivateFolderMode = wxPOSIX_USER_READ | wxPOSIX_USER_WRITE | wxPOSIX_USER_EXECUTE;
constexpr int kPrivateFileMode = wxPOSIX_USER_READ | wxPOSIX_USER_WRITE;

wxString JoinPath(const wxString& folder, const wxString& name)
{
    return folder + wxFILE_SEP_PATH + name;
}

wxString NewRunLogName(const wxString& stem)
{
    return wxString::Format("%s-%s-%lu.log", stem,
                            wxDateTime::Now().Format("%Y%m%d-%H%M%S", wxDateTime::UTC),
                            wxGetProcessId());
}

// Only names this class gives: a file of the user's that merely starts with the stem stays.
// (No wxRegEx: the Windows build's wxWidgets has none.)
bool IsRunLogName(const wxString& name, const wxString& stem)
{
    static const wxString shape = "99999999-999999-9"; // 9: a digit; the process id may go on
    wxString rest;
    if (!name.StartsWith(stem + "-", &rest) || !rest.EndsWith(".log", &rest) ||
        rest.length() < shape.length())
        return false;
    for (size_t i = 0; i < rest.length(); ++i) {
        const bool wantsDigit = i >= shape.length() || shape[i] == '9';
        if (wantsDigit ? !wxIsdigit(rest[i]) : rest[i] != shape[i])
            return false;
    }
    return true;
}

void RemoveOldRuns(const wxString& folder, const wxString& stem)
{
    std::vector<wxString> names;
    wxDir dir(folder);
    wxString name;
    for (bool found = dir.IsOpened() && dir.GetFirst(&name, stem + "-*.log", wxDIR_FILES); found;
         found = dir.GetNext(&name)) {
        if (IsRunLogName(name, stem))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    const size_t keptOld = RunLogFile::kKeptRuns - 1; // this run's file is the newest
    for (size_t i = 0; i + keptOld < names.size(); ++i) {
        if (!wxRemoveFile(JoinPath(folder, names[i])))
            wxLogMessage("Cannot delete the old log file %s.", JoinPath(folder, names[i]));
    }
}

} // namespace

wxString RunLogFolder()
{
    const wxString state = ZephlarkUserStateFolder();
    if (state.empty())
        return wxString();
    const wxString folder = JoinPath(state, kFolderName);
    if (wxDirExists(folder) || wxMkdir(folder, kPrivateFolderMode))
        return folder;
    return wxString(); // wxMkdir logged why
}

std::unique_ptr<RunLogFile> RunLogFile::Start(const wxString& folder, const wxString& stem,
                                              size_t capBytes)
{
    RemoveOldRuns(folder, stem);
    std::unique_ptr<RunLogFile> log(
        new RunLogFile(JoinPath(folder, NewRunLogName(stem)), capBytes));
    return log->file.IsOpened() ? std::move(log) : nullptr; // wxFile logged why
}

RunLogFile::RunLogFile(const wxString& path, size_t capBytes) : path(path), capBytes(capBytes)
{
    file.Create(path, false, kPrivateFileMode);
}

void RunLogFile::DoLogRecord(wxLogLevel, const wxString& msg, const wxLogRecordInfo& info)
{
    const wxDateTime time{wxLongLong(info.timestampMS)};
    WriteLine((time.Format("%Y-%m-%d %H:%M:%S.%l ") + msg + "\n").utf8_string());
}

void RunLogFile::WriteLine(const std::string& line)
{
    if (!file.IsOpened())
        return;
    // The notice always fits under the cap: a line that would leave no room for it is not written.
    const bool fits = writtenBytes + line.size() + kCutNoticeBytes <= capBytes;
    if (WriteBytes(fits ? line : std::string(kCutNotice)) && fits)
        return;
    wxClose(file.Detach());
}

bool RunLogFile::WriteBytes(const std::string& bytes)
{
    // Not wxFile::Write: it logs its failures, and a log target that logs calls itself.
    size_t done = 0;
    while (done < bytes.size()) {
        const auto count =
            wxWrite(file.fd(), bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    writtenBytes += done;
    return true;
}
