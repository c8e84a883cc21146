#pragma once

#include <wx/string.h>

// What a firmware update shows of itself while it runs: the window's progress dialog, or a
// console program's lines. Called on the thread that runs the update; the update logs each new
// step text itself.
class FirmwareUpdateProgress
{
public:
    virtual ~FirmwareUpdateProgress() = default;

    // The step or wait under way, with indeterminate progress.
    virtual void Pulse(const wxString& message) = 0;
    // The same step, done to the given fraction (0 to 1): the bytes copied so far.
    virtual void Fraction(const wxString& message, double done) = 0;
    // True once the user asked the update to stop. The update stops only where the device is in
    // serial mode: before it is sent to its data disk, or between the later steps (its journal
    // then stays, for the recovery to finish).
    virtual bool StopRequested() const { return false; }
};
