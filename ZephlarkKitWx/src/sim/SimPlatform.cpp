#include "sim/SimPlatform.h"

#include "sim/SimWorld.h"

namespace sim {

void WithDevice(const std::function<void(SimDevice&)>& f)
{
    WorldAccess world;
    f(world.Device());
}

void Plug()
{
    WorldAccess world;
    world.Device().SetPlugged(true);
}

void Unplug()
{
    WorldAccess world;
    world.Device().SetPlugged(false);
}

bool IsPlugged()
{
    WorldAccess world;
    return world.Device().IsPlugged();
}

void SetPortName(const wxString& name)
{
    WorldAccess world;
    world->SetPortName(name);
}

void FailNextOpens(int count, SerialOpenFailure reason)
{
    WorldAccess world;
    world->failingOpens = count;
    world->failingOpenReason = reason;
}

void KeepRemovedPortListed(bool keep)
{
    WorldAccess world;
    world->keepRemovedPortListed = keep;
    if (!keep && world.Device().Face() != UsbFace::Serial)
        world->listedName.clear();
}

void PortHangsUpOnRemoval(bool hangsUp)
{
    WorldAccess world;
    world->portHangsUp = hangsUp;
}

void Emit(const std::string& bytes)
{
    WorldAccess world;
    world.Device().Emit(bytes);
}

std::string Written()
{
    WorldAccess world;
    return world->written;
}

void ClearWritten()
{
    WorldAccess world;
    world->written.clear();
}

void Reset()
{
    WorldAccess world;
    world->Reset(false);
}

} // namespace sim
