#pragma once

// One Zephlark's update run by a child process of this same program ("update OSFILE --port PORT
// --json"), its lines read as they come. The parent never opens the port: on Linux a port that
// one process holds is refused to every other.

#include <wx/process.h>
#include <wx/string.h>

#include <optional>
#include <string>
#include <vector>

struct CliOptions;

class UpdateChild : public wxProcess
{
public:
    // Starts the update of the Zephlark on port with the given OS file, key and policy.
    UpdateChild(const CliOptions& options, const wxString& port);

    [[nodiscard]] bool Started() const { return pid != 0; }
    // The whole lines it wrote on standard output since the last call; once it ended, all the
    // rest. What it writes on standard error is passed on to ours.
    std::vector<std::string> TakeLines();
    // Passes a Ctrl+C on: it stops where its Zephlark is safe, as a single update does.
    void Interrupt() const;
    // Its exit status once it ended (-1 when a signal ended it).
    std::optional<int> ExitStatus() const { return exitStatus; }

protected:
    void OnTerminate(int pid, int status) override;

private:
    long pid = 0;
    std::string partialLine;
    std::optional<int> exitStatus;
};
