// The simulated platform against the shared serial contract (tests/contract): the tests of the
// device link run on it, so it must keep the promises the real platforms keep.

#include <gtest/gtest.h>

#include "DataDisk.h"
#include "LogCapture.h"
#include "MonotonicClock.h"
#include "Serial.h"
#include "SerialDeviceEnd.h"
#include "sim/SampleOsFile.h"
#include "sim/SimDevice.h"
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

// Each of several devices has its own port, serial number, identity and data disk, and an eject
// reaches only the device whose disk it names.
TEST(SeveralSimulatedDevices, EachHasItsOwnPortIdentityAndDisk)
{
    VirtualClock clock;
    SetClock(&clock);
    sim::Reset(3);
    for (size_t device = 0; device < sim::DeviceCount(); ++device)
        sim::Plug(device);
    const auto ports = ListZephlarkSerialPorts();
    for (size_t device : {1, 2})
        sim::WithDevice([](sim::SimDevice& model) { model.Receive("datadisk\n"); }, device);
    clock.Advance(sim::DeviceSettings{}.diskDelay);

    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[2].name, "simACM2");
    EXPECT_EQ(ports[2].identity.serialNumber, "ZL-000125");
    EXPECT_EQ(ports[2].identity.location, "sim-2");
    const auto disks = ListZephlarkDisks();
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_NE(disks[0].path, disks[1].path);
    ASSERT_EQ(DiskOfDevice(disks, ports[2].identity), &disks[1]);
    EXPECT_TRUE(ZephlarkEjectDisk(disks[1].path));
    const auto left = ListZephlarkDisks();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].identity.serialNumber, "ZL-000124");
    sim::Reset();
    SetClock(nullptr);
}

// zephlark-make-os-file has only this message to tell its user why it failed.
TEST(SampleOsFile, FileThatCannotBeCreatedIsLogged)
{
    LogCapture log;
    EXPECT_FALSE(sim::WriteSampleOsFile("/nonexistent-folder/update.zlos", "2.0.0"));
    EXPECT_TRUE(log.Contains("Failed to create the OS file /nonexistent-folder/update.zlos."));
}

} // namespace

std::unique_ptr<SerialDeviceEnd> MakeSerialDeviceEnd(std::string&)
{
    sim::Reset(2);
    return std::make_unique<SimModelEnd>(0);
}
