// The simulated platform against the shared serial contract (tests/contract): the tests of the
// device link run on it, so it must keep the promises the real platforms keep.

#include <gtest/gtest.h>

#include "Serial.h"
#include "SerialDeviceEnd.h"
#include "sim/SimPlatform.h"

namespace {

// One of two simulated devices.
class SimModelEnd : public SerialDeviceEnd
{
public:
    explicit SimModelEnd(size_t device) : device(device) { sim::Plug(device); }
    ~SimModelEnd() override { sim::Unplug(device); }

    // Found by its identity, as a program that follows one device finds it.
    wxString PortName() override
    {
        for (const ListedPort& port : ListZephlarkSerialPorts()) {
            if (port.identity.location == wxString::Format("sim-%zu", device))
                return port.name;
        }
        return {};
    }
    wxString AbsentPortName() override { return "simACM9"; }
    void Send(const std::string& bytes) override { sim::Emit(bytes, device); }
    std::string Received(size_t) override
    {
        const std::string written = sim::Written(device);
        sim::ClearWritten(device);
        return written;
    }
    bool HangUp() override
    {
        sim::Unplug(device);
        return true;
    }
    std::unique_ptr<SerialDeviceEnd> Another() override
    {
        return device == 0 ? std::make_unique<SimModelEnd>(1) : nullptr;
    }

private:
    const size_t device;
};

} // namespace

std::unique_ptr<SerialDeviceEnd> MakeSerialDeviceEnd(std::string&)
{
    sim::Reset(2);
    return std::make_unique<SimModelEnd>(0);
}
