// Ctrl+C through POSIX signals (the Linux program and the simulated device's alike).
#include "Interrupt.h"

#include <atomic>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace {

std::atomic<int> interrupts{0};
const char* notice = "";
int exitCode = 0;

extern "C" void OnInterrupt(int)
{
    if (interrupts.fetch_add(1) == 0)
        return;
    // Only async-signal-safe calls here.
    const ssize_t ignored = write(STDERR_FILENO, notice, std::strlen(notice));
    (void)ignored;
    _exit(exitCode);
}

} // namespace

void CatchInterrupts(const char* leaveNotice, int leaveExitCode)
{
    notice = leaveNotice;
    exitCode = leaveExitCode;
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Restarted calls: a read or write cut short by the signal must not look like a failure.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // "zephlark-cli update ... | head -3": the output's end, not the program's.
    signal(SIGPIPE, SIG_IGN);
}

bool Interrupted()
{
    return interrupts.load() > 0;
}

void OutlastTheTerminal()
{
    signal(SIGHUP, SIG_IGN);
}
