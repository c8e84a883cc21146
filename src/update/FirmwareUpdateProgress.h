#pragma once

#include <wx/string.h>

// Where an update or a recovery stands, in the order an update passes through them. The device
// cannot be seen all the time (it is a disk, or restarting), so the front ends show the phase
// rather than guess from the port: the window's device line, the command line's JSON step ids.
enum class UpdatePhase
{
    Checking,     // the files and the device's version are read: nothing is sent yet
    EnteringDisk, // the device was told "datadisk" and turns into its data disk
    Copying,      // the files go onto the data disk
    Returning,    // the disk is ejected and the device comes back on its serial port
    Installing,   // the device unpacks the new system
    Restarting,   // the device restarts, before or after it flashes
    Flashing,     // the device writes the new system
    CleaningUp,   // the update's files leave the data disk again
};

// A short lower-case word for the phase that never changes with the language ("copying"), for
// scripts that act on it.
const char* UpdatePhaseId(UpdatePhase phase);

// True from "datadisk" on: unplugging the device then can leave it on its data disk, or cut its
// install short.
bool DeviceMustStayPlugged(UpdatePhase phase);

// What a stop asked for during phase will do, in a sentence or two for the user: at once before
// the device is touched, at the next point where the device is safe later on.
wxString WhatAStopDoes(UpdatePhase phase);

// What a firmware update shows of itself while it runs: the window's progress dialog, or a
// console program's lines. Called on the thread that runs the update; the update logs each new
// step text itself.
class FirmwareUpdateProgress
{
public:
    virtual ~FirmwareUpdateProgress() = default;

    // The update entered phase. Comes before the first Pulse of that phase.
    virtual void PhaseChanged(UpdatePhase) {}
    // The step or wait under way, with indeterminate progress.
    virtual void Pulse(const wxString& message) = 0;
    // The same step, done to the given fraction (0 to 1): the bytes copied so far.
    virtual void Fraction(const wxString& message, double done) = 0;
    // True once the user asked the update to stop. Before the device is touched the update stops
    // at once; later it stops at the next point where the device is safe (WhatAStopDoes).
    virtual bool StopRequested() const { return false; }
};
