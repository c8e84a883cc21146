#include "FirmwareUpdateProgress.h"

#include <wx/intl.h>

const char* UpdatePhaseId(UpdatePhase phase)
{
    switch (phase) {
    case UpdatePhase::Checking:
        return "checking";
    case UpdatePhase::EnteringDisk:
        return "entering-disk";
    case UpdatePhase::Copying:
        return "copying";
    case UpdatePhase::Returning:
        return "returning";
    case UpdatePhase::Installing:
        return "installing";
    case UpdatePhase::Restarting:
        return "restarting";
    case UpdatePhase::Flashing:
        return "flashing";
    case UpdatePhase::CleaningUp:
        return "cleaning-up";
    }
    return "unknown";
}

bool DeviceMustStayPlugged(UpdatePhase phase)
{
    return phase != UpdatePhase::Checking;
}

wxString WhatAStopDoes(UpdatePhase phase)
{
    if (!DeviceMustStayPlugged(phase))
        return _("The update stops now; nothing has been sent to the Zephlark.");
    return _("The update stops once the Zephlark is safe: the current step finishes first, and "
             "an install the Zephlark has begun cannot be interrupted. Leave it plugged in.");
}
