#include "DeviceChangeWatch.h"

// Windows broadcasts WM_DEVICECHANGE to every top-level window when a port or a volume comes or
// goes; the main window's procedure turns it into a refresh. There is nothing to watch here.
std::unique_ptr<DeviceChangeWatch> WatchDeviceChanges(std::function<void()>)
{
    return nullptr;
}
