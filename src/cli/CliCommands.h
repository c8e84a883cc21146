#pragma once

// zephlark-cli's commands; each returns the program's exit code (ExitCodes.h).

struct CliOptions;
class CliOutput;

int RunInfoCommand(const CliOptions& options, CliOutput& output);
int RunUpdateCommand(const CliOptions& options, CliOutput& output);
int RunRecoverCommand(const CliOptions& options, CliOutput& output);
int RunResetCommand(const CliOptions& options, CliOutput& output);
int RunConsoleCommand(const CliOptions& options, CliOutput& output);
int RunDoctorCommand(const CliOptions& options, CliOutput& output);
