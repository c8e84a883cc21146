#pragma once

// Ctrl+C in a command-line program. Linux: SIGINT, and SIGTERM alike. Windows: Ctrl+C and
// Ctrl+Break; closing the console window, logging off or shutting down still end the program as
// Windows ends any console program.
//
// The first one only sets a flag, which the program polls: it stops where the device is left in a
// known state. The second one writes leaveNotice to standard error and ends the process at once
// with leaveExitCode.

// Installs the handlers; leaveNotice must live as long as the program.
void CatchInterrupts(const char* leaveNotice, int leaveExitCode);
bool Interrupted();
