#pragma once

// zephlark-cli's commands in one table: each command's name, its options, its runner and its help.

#include <wx/string.h>

#include <string>
#include <vector>

struct CliOptions;
class CliOutput;

struct CliCommand
{
    const char* name;
    std::vector<std::string> options; // besides --help, --json and --verbose
    bool takesFile;
    // Runs the command: the program's exit code (ExitCodes.h).
    int (*run)(const CliOptions& options, CliOutput& output);
    const char* usage;
};

// The command of that name, or nullptr.
const CliCommand* FindCliCommand(const std::string& name);

// What --help shows: the program's overview for an empty command, else the command's.
wxString CliUsage(const std::string& command);

int RunListCommand(const CliOptions& options, CliOutput& output);
int RunInfoCommand(const CliOptions& options, CliOutput& output);
int RunUpdateCommand(const CliOptions& options, CliOutput& output);
int RunRecoverCommand(const CliOptions& options, CliOutput& output);
int RunResetCommand(const CliOptions& options, CliOutput& output);
int RunConsoleCommand(const CliOptions& options, CliOutput& output);
int RunDoctorCommand(const CliOptions& options, CliOutput& output);
