#include "sim/SimPlatform.h"

#include "sim/SimWorld.h"

namespace sim {

void WithDevice(const std::function<void(SimDevice&)>& f, size_t device)
{
    WorldAccess world;
    f(world.Device(device));
}

size_t DeviceCount()
{
    WorldAccess world;
    return world->units.size();
}

void Plug(size_t device)
{
    WorldAccess world;
    world.Device(device).SetPlugged(true);
}

void Unplug(size_t device)
{
    WorldAccess world;
    world.Device(device).SetPlugged(false);
}

bool IsPlugged(size_t device)
{
    WorldAccess world;
    return world.Device(device).IsPlugged();
}

void SetPortName(const wxString& name, size_t device)
{
    WorldAccess world;
    world->SetPortName(device, name);
}

void FailNextOpens(int count, SerialOpenFailure reason, size_t device)
{
    WorldAccess world;
    world.UnitAt(device).failingOpens = count;
    world.UnitAt(device).failingOpenReason = reason;
}

void KeepRemovedPortListed(bool keep, size_t device)
{
    WorldAccess world;
    Unit& unit = world.UnitAt(device);
    unit.keepRemovedPortListed = keep;
    if (!keep && unit.device->Face() != UsbFace::Serial)
        unit.listedName.clear();
}

void PortHangsUpOnRemoval(bool hangsUp, size_t device)
{
    WorldAccess world;
    world.UnitAt(device).portHangsUp = hangsUp;
}

void Emit(const std::string& bytes, size_t device)
{
    WorldAccess world;
    world.Device(device).Emit(bytes);
}

std::string Written(size_t device)
{
    WorldAccess world;
    return world.UnitAt(device).written;
}

void ClearWritten(size_t device)
{
    WorldAccess world;
    world.UnitAt(device).written.clear();
}

void Reset(size_t devices)
{
    WorldAccess world;
    world->Reset(false, devices);
}

} // namespace sim
