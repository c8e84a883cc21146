#pragma once

// The part of a whole firmware update that is the device's own doing: from each thing the program
// asks of it until it has done it (presented its disk, come back after an eject, unpacked,
// restarted, flashed). The program can only wait through it; the rest of the update's time is the
// program's overhead.

#include <vector>

#include "MonotonicClock.h"
#include "sim/SimDevice.h"

struct DeviceTimeTerm
{
    const char* what;
    int count;
    MonotonicClock::Duration each;
};

// For an update without a key file.
std::vector<DeviceTimeTerm> DeviceTimeOfUpdate(const sim::DeviceSettings& settings);
MonotonicClock::Duration Sum(const std::vector<DeviceTimeTerm>& terms);
