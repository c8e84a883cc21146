// Sleep inhibition on Windows: the thread's execution state. ES_CONTINUOUS keeps the request until
// it is cleared, and the system drops it when the thread ends.
#include "SleepInhibitor.h"

#include <wx/log.h>

#include <windows.h>

struct SleepInhibitor::Hold
{
};

SleepInhibitor::SleepInhibitor()
{
    static bool refusedLogged = false;
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) {
        hold = std::make_unique<Hold>();
    } else if (!refusedLogged) {
        refusedLogged = true;
        wxLogMessage("The computer cannot be kept from sleeping during updates "
                     "(SetThreadExecutionState failed).");
    }
}

SleepInhibitor::~SleepInhibitor()
{
    if (hold)
        SetThreadExecutionState(ES_CONTINUOUS);
}
