// Ctrl+C through the console's control handler. Windows calls it on a thread of its own, made for
// each event, so the state it shares with the program is atomic.
#include "Interrupt.h"

#include <atomic>
#include <cstring>

#include <windows.h>

namespace {

std::atomic<int> interrupts{0};
const char* notice = "";
int exitCode = 0;

BOOL WINAPI OnConsoleControl(DWORD event)
{
    // The other events (the console closed, log-off, shut-down) end the process whatever a
    // handler returns: leave them to the default handler.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (interrupts.fetch_add(1) == 0)
        return TRUE;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), notice, static_cast<DWORD>(std::strlen(notice)),
              &written, nullptr);
    ExitProcess(static_cast<UINT>(exitCode));
}

} // namespace

void CatchInterrupts(const char* leaveNotice, int leaveExitCode)
{
    notice = leaveNotice;
    exitCode = leaveExitCode;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool Interrupted()
{
    return interrupts.load() > 0;
}
