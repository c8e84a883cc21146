#pragma once

// Ctrl+C in a command-line program, and the loss of its terminal. Linux: SIGINT, and SIGTERM
// alike. Windows: Ctrl+C and Ctrl+Break; closing the console (but see OutlastTheTerminal), logging
// off or shutting down still end the program as Windows ends any console program.
//
// The first one only sets a flag, which the program polls: it stops where the device is left in a
// known state. The second one writes leaveNotice to standard error and ends the process at once
// with leaveExitCode.

// Installs the handlers; leaveNotice must live as long as the program. A write to a pipe whose
// reader has gone fails (EPIPE) instead of ending the program.
void CatchInterrupts(const char* leaveNotice, int leaveExitCode);
bool Interrupted();

// For a run that must not be cut short (an update): from here on, the loss of the terminal does
// not end the program, nor count as a Ctrl+C. Linux: SIGHUP is ignored; writes to the terminal
// fail from then on. Windows ends a program whose console was closed within seconds whatever it
// does: there the close asks for a stop, as a first Ctrl+C does, and holds the end off for those
// seconds so that the run may reach a point where it can stop.
void OutlastTheTerminal();
