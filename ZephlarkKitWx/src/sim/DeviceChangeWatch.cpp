// Device-change notices of the simulated device: every change of what it shows on USB (plugged,
// unplugged, serial mode, data disk, restart) posts one call of onChange to the GUI thread.

#include "DeviceChangeWatch.h"

#include "sim/SimWorld.h"

namespace {

class SimDeviceChangeWatch : public DeviceChangeWatch
{
public:
    explicit SimDeviceChangeWatch(std::shared_ptr<std::function<void()>> onChange)
        : onChange(std::move(onChange))
    {}

private:
    // The world holds only a weak reference: once this is gone, queued notices find nothing.
    std::shared_ptr<std::function<void()>> onChange;
};

} // namespace

std::unique_ptr<DeviceChangeWatch> WatchDeviceChanges(std::function<void()> onChange)
{
    auto shared = std::make_shared<std::function<void()>>(std::move(onChange));
    sim::WorldAccess world;
    world->watches.push_back(shared);
    return std::make_unique<SimDeviceChangeWatch>(std::move(shared));
}
