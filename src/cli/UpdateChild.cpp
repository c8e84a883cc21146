#include "cli/UpdateChild.h"

#include <wx/stdpaths.h>
#include <wx/stream.h>
#include <wx/utils.h>

#include <cstdio>

#include "cli/CliOptions.h"

namespace {

std::vector<wxString> ChildArguments(const CliOptions& options, const wxString& port)
{
    std::vector<wxString> arguments{wxStandardPaths::Get().GetExecutablePath(), "update", "--json",
                                    "--port", port};
    if (options.allowOlder)
        arguments.push_back("--allow-older");
    if (!options.keyFile.empty())
        arguments.insert(arguments.end(), {"--key", options.keyFile});
    if (options.waitGiven)
        arguments.insert(
            arguments.end(),
            {"--wait", wxString::Format("%d", static_cast<int>(options.wait.count()))});
    // After "--": an OS file named like an option is still the file.
    arguments.insert(arguments.end(), {"--", options.osFile});
    return arguments;
}

// The bytes the stream holds now, without waiting for more.
std::string Available(wxInputStream* stream)
{
    std::string bytes;
    while (stream && stream->CanRead()) {
        const int c = stream->GetC();
        if (c == wxEOF)
            break;
        bytes += static_cast<char>(c);
    }
    return bytes;
}

} // namespace

UpdateChild::UpdateChild(const CliOptions& options, const wxString& port)
{
    Redirect();
    std::vector<std::wstring> arguments;
    for (const wxString& argument : ChildArguments(options, port))
        arguments.push_back(argument.ToStdWstring());
    std::vector<const wchar_t*> argv;
    for (const std::wstring& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    // A group of its own: a Ctrl+C at the terminal reaches only this program, which passes it on
    // once. Reaching the child as well, it would count as the second one, which leaves at once.
    pid = wxExecute(argv.data(), wxEXEC_ASYNC | wxEXEC_MAKE_GROUP_LEADER, this);
}

std::vector<std::string> UpdateChild::TakeLines()
{
    const std::string errors = Available(GetErrorStream());
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    partialLine += Available(GetInputStream());
    std::vector<std::string> lines;
    for (size_t end; (end = partialLine.find('\n')) != std::string::npos;) {
        lines.push_back(partialLine.substr(0, end));
        partialLine.erase(0, end + 1);
    }
    if (exitStatus && !partialLine.empty()) {
        lines.push_back(partialLine);
        partialLine.clear();
    }
    return lines;
}

void UpdateChild::Interrupt() const
{
    if (pid != 0 && !exitStatus)
        wxProcess::Kill(static_cast<int>(pid), wxSIGINT);
}

// The child's last lines are still to be read: the process object stays (the default would
// delete it).
void UpdateChild::OnTerminate(int, int status)
{
    exitStatus = status;
}
