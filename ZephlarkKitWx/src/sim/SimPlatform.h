#pragma once

// Control of the one simulated device that the sim/ platform layer presents in place of USB:
// used by the demo build and by the tests of everything above the platform layer. Thread-safe.
//
// Start state: when the process starts, the device is plugged in (in serial mode), so that the
// demo build shows a connected device; with ZEPHLARK_SIM_UNPLUGGED=1 in the environment it starts
// unplugged instead. Reset() always leaves it unplugged, for tests to plug in when they are ready.
//
// Time: the device's delays (restarts, the data disk, an install's steps) run on TheClock().
// Install a VirtualClock before Reset(), so that nothing stays scheduled on the previous clock.
// Due actions run on every platform call and, within about 10 ms of real time, on a background
// thread of the platform.
//
// Port names: while the host still holds a port open on an earlier appearance of the device (it
// went away and came back before the host closed it), the device comes back under the next name
// ("simACM1"), as Linux would name it, so that the host sees a new port.

#include <wx/string.h>

#include <functional>
#include <string>
#include <vector>

#include "Serial.h"

namespace sim {

class SimDevice;

// Runs f with the device model locked (the reader thread may be reading from it meanwhile). f must
// not call the platform layer or this API: the lock is not recursive.
void WithDevice(const std::function<void(SimDevice&)>& f);

// Puts the device on USB (in serial mode) or takes it off. An open port hangs up on unplug.
// Either causes one device-change notice on the GUI thread when a watch exists.
void Plug();
void Unplug();
bool IsPlugged();

// Name that discovery reports while the device is plugged ("simACM0" at start). A plugged device
// re-enumerates under the new name: an open port hangs up and a notice follows.
void SetPortName(const wxString& name);
// The next `count` opens of the port fail, for the given reason: InUse as a port held by another
// program, Denied as one this user may not open.
void FailNextOpens(int count, SerialOpenFailure reason = SerialOpenFailure::InUse);
// While on, a port whose device left stays listed by discovery (opens of it fail), as a tty can
// stay in sysfs for a moment after its removal notice: the host must notice the loss by itself.
// Turning it off unlists such a port at once, with no notice: the notice came as the device left.
void KeepRemovedPortListed(bool keep);
// While off, an open port whose device left gives its reader no hang-up: reads find nothing and
// writes vanish, as on umockdev's pseudo-terminal. On by default, as on a USB tty.
void PortHangsUpOnRemoval(bool hangsUp);

// Raw bytes from the device to the host, queued behind whatever it is already sending. Lost when
// the device is not in serial mode on USB.
void Emit(const std::string& bytes);

// Every byte the host wrote to the port since the last ClearWritten, in order.
std::string Written();
void ClearWritten();

// True while a SleepInhibitor lives (the simulated platform asks nothing of the host).
bool SleepInhibited();

// Back to the start: a fresh device model, unplugged, default port name, no faults, nothing
// written, no open port, an empty data disk folder. Tests call it between cases.
void Reset();

} // namespace sim
