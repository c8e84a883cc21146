// DeviceConnection's data-disk operations on the simulated device, on virtual time.

#include "ConnectionFixture.h"
#include "MonotonicClock.h"
#include "Serial.h"
#include "sim/SimDevice.h"

namespace {

// Outlives every test: the simulated device's background thread may read it at any time.
VirtualClock virtualClock;

class DataDiskConnection : public ConnectionTest
{
protected:
    DataDiskConnection()
    {
        SetClock(&virtualClock);
        sim::Reset();
        ConnectIdentified();
    }
    ~DataDiskConnection() override
    {
        connection.reset();
        sim::Reset();
        SetClock(nullptr);
    }

    void Configure(const std::function<void(sim::DeviceSettings&)>& change)
    {
        sim::WithDevice([&](sim::SimDevice& device) { change(device.Settings()); });
    }

    // Sends "datadisk" and lets the device take its time to present the disk.
    void SwitchToDataDisk()
    {
        connection->EnterDataDisk();
        virtualClock.Advance(std::chrono::seconds(5));
    }
};

TEST_F(DataDiskConnection, DataDiskIsFoundLoggedAndCounted)
{
    EXPECT_FALSE(connection->HasDataDisk());
    EXPECT_EQ(connection->GetDiskPath(), "");
    SwitchToDataDisk();
    EXPECT_TRUE(connection->HasDataDisk());
    const wxString path = connection->GetDiskPath();
    EXPECT_FALSE(path.empty());
    EXPECT_TRUE(wxDirExists(path));
    EXPECT_EQ(log.Count("Found Device Disk [ZEPHLARK]: " + path), 1u);
    // The serial port went with the switch to data-disk mode.
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    EXPECT_FALSE(connection->IsDeviceIdentified());
}

TEST_F(DataDiskConnection, LabelInTheWrongCaseIsFoundButDoesNotCount)
{
    Configure([](sim::DeviceSettings& settings) { settings.diskLabel = "zephlark"; });
    SwitchToDataDisk();
    EXPECT_FALSE(connection->HasDataDisk());
    EXPECT_FALSE(connection->GetDiskPath().empty());
    EXPECT_TRUE(log.Contains("Found Device Disk [zephlark]: " + connection->GetDiskPath()));
}

TEST_F(DataDiskConnection, EjectRemovesTheDiskAndTheDeviceComesBack)
{
    SwitchToDataDisk();
    ASSERT_TRUE(connection->HasDataDisk());
    connection->EjectDataDisk();
    EXPECT_FALSE(connection->HasDataDisk());
    EXPECT_EQ(connection->GetDiskPath(), "");
    virtualClock.Advance(std::chrono::seconds(5));
    EXPECT_TRUE(WaitFor("the device to be identified",
                        [this] { return connection->IsDeviceIdentified(); }));
}

TEST_F(DataDiskConnection, RefusedEjectLeavesTheDiskMounted)
{
    Configure([](sim::DeviceSettings& settings) { settings.diskRefusesEject = true; });
    SwitchToDataDisk();
    const wxString path = connection->GetDiskPath();
    connection->EjectDataDisk();
    EXPECT_TRUE(connection->HasDataDisk());
    EXPECT_TRUE(log.Contains("Failed to lock " + path + " for eject."));
}

TEST_F(DataDiskConnection, EjectWithoutADiskDoesNothing)
{
    connection->EjectDataDisk();
    EXPECT_TRUE(ZephlarkSerialIsOpen());
    EXPECT_FALSE(log.Contains("Failed to open device for for eject: "));
}

} // namespace
