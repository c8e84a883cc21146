#include "update/FirmwareUpdateProgress.h"

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
    switch (phase) {
    case UpdatePhase::Checking:
        return _("The update stops now; nothing has been sent to the Zephlark.");
    case UpdatePhase::EnteringDisk:
    case UpdatePhase::Copying:
    case UpdatePhase::Returning:
        return _("The update stops at the next safe point: its files are removed from the "
                 "Zephlark, which then returns to serial mode. Leave it plugged in.");
    case UpdatePhase::Installing:
    case UpdatePhase::Restarting:
    case UpdatePhase::Flashing:
        return _("The Zephlark is installing, which cannot be interrupted: the update follows it "
                 "to the end and then tells its version. Leave it plugged in.");
    case UpdatePhase::CleaningUp:
        break;
    }
    return _("The update finishes removing its files first. Leave the Zephlark plugged in.");
}
