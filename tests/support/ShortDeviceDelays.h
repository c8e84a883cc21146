#pragma once

#include <chrono>

#include "sim/SimDevice.h"

// Short, yet each long enough for the program to read what the device said before it leaves USB.
inline void ShortDeviceDelays(sim::SimDevice& device)
{
    using namespace std::chrono_literals;
    sim::DeviceSettings& settings = device.Settings();
    settings.diskDelay = 300ms;
    settings.ejectReturnDelay = 300ms;
    settings.restartDelay = 300ms;
    settings.restartNoticeDelay = 200ms;
    settings.installStepDelay = 50ms;
    settings.flashDelay = 300ms;
}
