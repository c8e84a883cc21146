// The serial half of the platform layer on the simulated device: the "port" is the model's
// console, reached in-process.

#include "Serial.h"
#include "SerialInternal.h"

#include <wx/log.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

#include "sim/SimWorld.h"

namespace {

// Like the real port: a read waits this long for the first byte, in real time, since the reader
// thread's pace must not depend on a virtual clock.
constexpr auto kReadWait = std::chrono::milliseconds{10};

// -1 with errno set when the port cannot be used: closed, or its device went away and it hung up.
// A port that gives no hang-up stays usable, and leads nowhere.
bool PortUsable(const sim::Unit* unit)
{
    if (!unit || !unit->port.open) {
        errno = EBADF;
        return false;
    }
    if (unit->PortHungUp() && unit->portHangsUp) {
        errno = EIO;
        return false;
    }
    return true;
}

// Failed as a tty fails: held by another program, not this user's, or gone.
SerialHandle OpenFailed(const wxString& portName, SerialOpenFailure reason,
                        SerialOpenFailure& failure)
{
    failure = reason;
    const int error = reason == SerialOpenFailure::InUse    ? EBUSY
                      : reason == SerialOpenFailure::Denied ? EACCES
                                                            : ENODEV;
    LogFailedOpen(portName, wxSysErrorMsgStr(error), wxString());
    return kClosedSerialHandle;
}

// A port's handle is its device's number. A reset may have taken that device away meanwhile.
sim::Unit* UnitOf(sim::WorldAccess& world, SerialHandle handle)
{
    const auto index = static_cast<size_t>(handle);
    return index < world->units.size() ? &world.UnitAt(index) : nullptr;
}

} // namespace

std::vector<ListedPort> ListZephlarkSerialPorts()
{
    sim::WorldAccess world;
    std::vector<ListedPort> ports;
    for (size_t index = 0; index < world->units.size(); ++index) {
        if (!world->units[index].listedName.empty())
            ports.push_back({world->units[index].listedName, world->Identity(index)});
    }
    return ports;
}

SerialHandle OpenSerialHandle(const wxString& portName, SerialOpenFailure& failure)
{
    sim::WorldAccess world;
    // Opens of a name that no device has count against the first, which stands for "the" device.
    const size_t index = world->UnitNamed(portName).value_or(0);
    sim::Unit& unit = world.UnitAt(index);
    if (unit.failingOpens > 0) {
        --unit.failingOpens;
        return OpenFailed(portName, unit.failingOpenReason, failure);
    }
    if (unit.device->Face() != sim::UsbFace::Serial || portName != unit.presentName)
        return OpenFailed(portName, SerialOpenFailure::Other, failure);
    unit.port = {true, unit.device->SerialSession(), portName};
    return static_cast<SerialHandle>(index);
}

void CloseSerialHandle(SerialHandle handle)
{
    sim::WorldAccess world;
    if (sim::Unit* unit = UnitOf(world, handle))
        unit->port = {};
}

int64_t ReadSerialHandle(SerialHandle handle, uint8_t* buffer, uint32_t count)
{
    sim::WorldAccess world;
    const auto deadline = std::chrono::steady_clock::now() + kReadWait;
    for (;;) {
        sim::Unit* unit = UnitOf(world, handle);
        if (!PortUsable(unit))
            return -1;
        if (!unit->PortHungUp() && unit->device->PendingOutput() > 0) {
            const std::string bytes = unit->device->TakeOutput(count);
            std::memcpy(buffer, bytes.data(), bytes.size());
            return static_cast<int64_t>(bytes.size());
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return 0;
        world.WaitUntil(deadline);
    }
}

int64_t WriteSerialHandleOnce(SerialHandle handle, const wxString&, const uint8_t* data,
                              size_t length)
{
    sim::WorldAccess world;
    sim::Unit* unit = UnitOf(world, handle);
    if (!PortUsable(unit))
        return -1;
    if (unit->PortHungUp())
        return static_cast<int64_t>(length);
    const std::string_view bytes(reinterpret_cast<const char*>(data), length);
    unit->written.append(bytes);
    unit->device->Receive(bytes);
    return static_cast<int64_t>(length);
}
