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
bool PortUsable(sim::WorldAccess& world)
{
    if (!world->port.open) {
        errno = EBADF;
        return false;
    }
    if (world->PortHungUp() && world->portHangsUp) {
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

// The simulated device's number is its port's handle.
constexpr SerialHandle kTheDevice = 0;

} // namespace

std::vector<ListedPort> ListZephlarkSerialPorts()
{
    sim::WorldAccess world;
    if (world->listedName.empty())
        return {};
    return {{world->listedName, world->Identity()}};
}

SerialHandle OpenSerialHandle(const wxString& portName, SerialOpenFailure& failure)
{
    sim::WorldAccess world;
    if (world->failingOpens > 0) {
        --world->failingOpens;
        return OpenFailed(portName, world->failingOpenReason, failure);
    }
    if (world.Device().Face() != sim::UsbFace::Serial || portName != world->presentName)
        return OpenFailed(portName, SerialOpenFailure::Other, failure);
    world->port = {true, world.Device().SerialSession(), portName};
    return kTheDevice;
}

void CloseSerialHandle(SerialHandle)
{
    sim::WorldAccess world;
    world->port = {};
}

int64_t ReadSerialHandle(SerialHandle, uint8_t* buffer, uint32_t count)
{
    sim::WorldAccess world;
    const auto deadline = std::chrono::steady_clock::now() + kReadWait;
    for (;;) {
        if (!PortUsable(world))
            return -1;
        if (!world->PortHungUp() && world.Device().PendingOutput() > 0) {
            const std::string bytes = world.Device().TakeOutput(count);
            std::memcpy(buffer, bytes.data(), bytes.size());
            return static_cast<int64_t>(bytes.size());
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return 0;
        world.WaitUntil(deadline);
    }
}

int64_t WriteSerialHandleOnce(SerialHandle, const wxString&, const uint8_t* data, size_t length)
{
    sim::WorldAccess world;
    if (!PortUsable(world))
        return -1;
    if (world->PortHungUp())
        return static_cast<int64_t>(length);
    const std::string_view bytes(reinterpret_cast<const char*>(data), length);
    world->written.append(bytes);
    world.Device().Receive(bytes);
    return static_cast<int64_t>(length);
}
