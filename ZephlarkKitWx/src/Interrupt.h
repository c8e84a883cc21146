#pragma once

// Ctrl+C (SIGINT, and SIGTERM alike). The first one only sets a flag, which the command polls: it
// stops where the device is left in a known state. The second one leaves at once with
// kExitInterrupted, after writing leaveNotice to standard error.

// Installs the handlers; leaveNotice must live as long as the program.
void CatchInterrupts(const char* leaveNotice);
bool Interrupted();
