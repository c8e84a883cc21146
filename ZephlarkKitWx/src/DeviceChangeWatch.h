#pragma once

// Hot-plug notices off Windows (there, the main window's window procedure hook does this job).
// While a watch exists, every arrival or removal of a serial or disk device calls onChange once,
// on the GUI thread, as an event queued to it (so a notice also ends a firmware update's pause).
// No polling.

#include <functional>
#include <memory>

class DeviceChangeWatch
{
public:
    virtual ~DeviceChangeWatch() = default;
};

// Null when the platform cannot watch (logged); the program then still refreshes at start-up and
// in the firmware update's waits.
std::unique_ptr<DeviceChangeWatch> WatchDeviceChanges(std::function<void()> onChange);
