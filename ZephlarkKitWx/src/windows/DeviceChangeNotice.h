#pragma once

// Which window messages make the window look for the device again: WM_DEVICECHANGE telling of an
// arrival or of a completed removal. Its other events (a removal asked for or still pending, the
// device tree changed) come while the device is still there, or tell nothing of it.

#include <cstdint>

constexpr uint32_t kDeviceChangeMessage = 0x0219;   // WM_DEVICECHANGE
constexpr uintptr_t kDeviceArrival = 0x8000;        // DBT_DEVICEARRIVAL
constexpr uintptr_t kDeviceRemoveComplete = 0x8004; // DBT_DEVICEREMOVECOMPLETE

[[nodiscard]] constexpr bool CausesDeviceRefresh(uint32_t message, uintptr_t eventCode)
{
    return message == kDeviceChangeMessage &&
           (eventCode == kDeviceArrival || eventCode == kDeviceRemoveComplete);
}
