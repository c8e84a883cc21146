#pragma once

// Control of the simulated devices that the sim/ platform layer presents in place of USB: used by
// the demo build and by the tests of everything above the platform layer. Thread-safe.
//
// Devices: one, or N with ZEPHLARK_SIM_DEVICES=N in the environment (up to 99). Each has its own
// port ("simACM0", "simACM1", ...), serial number (ZL-000123, ZL-000124, ...), data disk folder
// and USB identity ("sim-0", "sim-1", ...). Every call below takes the device's number, the first
// (0) by default; a number beyond DeviceCount() is a programming error (std::out_of_range).
//
// Start state: when the process starts, the devices are plugged in (in serial mode), so that the
// demo build shows connected devices; with ZEPHLARK_SIM_UNPLUGGED=1 in the environment they start
// unplugged instead. Reset() always leaves them unplugged, for tests to plug in when they are
// ready.
//
// Time: the device's delays (restarts, the data disk, an install's steps) run on TheClock().
// Install a VirtualClock before Reset(), so that nothing stays scheduled on the previous clock.
// Due actions run on every platform call and, within about 10 ms of real time, on a background
// thread of the platform.
//
// Port names: while the host still holds a port open on an earlier appearance of the device (it
// went away and came back before the host closed it), the device comes back under the next name
// ("simACM1", or the next name no other device has), as Linux would name it, so that the host sees
// a new port.

#include <wx/string.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "Serial.h"

namespace sim {

class SimDevice;

// Runs f with the device model locked (the reader thread may be reading from it meanwhile). f must
// not call the platform layer or this API: the lock is not recursive.
void WithDevice(const std::function<void(SimDevice&)>& f, size_t device = 0);

size_t DeviceCount();

// Puts the device on USB (in serial mode) or takes it off. An open port hangs up on unplug.
// Either causes one device-change notice on the GUI thread when a watch exists.
void Plug(size_t device = 0);
void Unplug(size_t device = 0);
bool IsPlugged(size_t device = 0);

// Name that discovery reports while the device is plugged ("simACM0" at start). A plugged device
// re-enumerates under the new name: an open port hangs up and a notice follows.
void SetPortName(const wxString& name, size_t device = 0);
// The next `count` opens of the port fail, for the given reason: InUse as a port held by another
// program, Denied as one this user may not open.
void FailNextOpens(int count, SerialOpenFailure reason = SerialOpenFailure::InUse,
                   size_t device = 0);
// While on, a port whose device left stays listed by discovery (opens of it fail), as a tty can
// stay in sysfs for a moment after its removal notice: the host must notice the loss by itself.
// Turning it off unlists such a port at once, with no notice: the notice came as the device left.
void KeepRemovedPortListed(bool keep, size_t device = 0);
// While off, an open port whose device left gives its reader no hang-up: reads find nothing and
// writes vanish, as on umockdev's pseudo-terminal. On by default, as on a USB tty.
void PortHangsUpOnRemoval(bool hangsUp, size_t device = 0);

// Raw bytes from the device to the host, queued behind whatever it is already sending. Lost when
// the device is not in serial mode on USB.
void Emit(const std::string& bytes, size_t device = 0);

// Every byte the host wrote to the port since the last ClearWritten, in order.
std::string Written(size_t device = 0);
void ClearWritten(size_t device = 0);

// True while a SleepInhibitor lives (the simulated platform asks nothing of the host).
bool SleepInhibited();

// Back to the start: `devices` fresh device models, unplugged, default port names, no faults,
// nothing written, no open port, empty data disk folders. Tests call it between cases.
void Reset(size_t devices = 1);

} // namespace sim
