// Ctrl+C through the console's control handler. Windows calls it on a thread of its own, made for
// each event, so the state it shares with the program is atomic.
#include "Interrupt.h"

#include <atomic>
#include <cstring>

#include <windows.h>

namespace {

std::atomic<int> interrupts{0};
std::atomic<bool> outlastingTheConsole{false};
const char* notice = "";
int exitCode = 0;

// The console is closing: Windows ends the process when this handler returns, or about five
// seconds after the close if it does not. A stop requested now may still be reached in that
// time; the process then ends by itself, which also ends this wait.
BOOL OnConsoleClosed()
{
    int none = 0;
    interrupts.compare_exchange_strong(none, 1);
    Sleep(INFINITE);
    return TRUE;
}

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event == CTRL_CLOSE_EVENT && outlastingTheConsole.load())
        return OnConsoleClosed();
    // The other events (log-off, shut-down) end the process whatever a handler returns: leave
    // them to the default handler.
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

void OutlastTheTerminal()
{
    outlastingTheConsole = true;
}
