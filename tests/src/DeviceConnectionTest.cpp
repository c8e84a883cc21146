#include <climits>
#include <cstring>
#include <functional>

#include "ConnectionFixture.h"
#include "DataDisk.h"
#include "DeviceList.h"
#include "Serial.h"
#include "sim/SimDevice.h"

namespace {

using testing::ElementsAre;

TEST_F(ConnectionTest, RefreshChangesNothingUntilThePortChangesThenDisconnectsTheOldNameFirst)
{
    ConnectIdentified();
    sim::ClearWritten();
    connection->RefreshDeviceConnections();
    EXPECT_EQ(sim::Written(), "");
    sim::SetPortName("simACM1");
    connection->RefreshDeviceConnections();

    EXPECT_THAT(owner.changes, ElementsAre(true, false, true));
    EXPECT_TRUE(log.Contains("Device Disconnected: simACM0"));
    EXPECT_TRUE(log.Contains("Device Connected: simACM1"));
}

// What one connection left behind, an unfinished line or a state entered by "~stats:", must not
// keep the next connection from identifying the device.
TEST_F(ConnectionTest, NextConnectionStartsWithAnEmptyQueueAndAFreshClassifier)
{
    for (const char* leftover : {"booting, please wai", "~stats:\r\n"}) {
        ConnectIdentified();
        sim::Emit(leftover);
        WaitUntilQueued(std::strlen(leftover));
        sim::Unplug();
        connection->RefreshDeviceConnections();
        ConnectIdentified();
        sim::Unplug();
        connection->RefreshDeviceConnections();
    }
}

// The removal notice is handled while the system still lists the port. A USB tty hangs up, and the
// reader tells at once; a pseudo-terminal (umockdev's) does not, and only the listing tells, once
// it catches up.
class UnplugBeforeTheListing : public ConnectionTest, public testing::WithParamInterface<bool>
{
};

TEST_P(UnplugBeforeTheListing, IsSeenWithinHalfASecondOfTheListingOrTheHangUp)
{
    const bool portHangsUp = GetParam();
    ConnectIdentified();
    sim::PortHangsUpOnRemoval(portHangsUp);
    sim::KeepRemovedPortListed(true);
    sim::Unplug();
    connection->DeviceChangeNoticed();
    const auto closed = [this] { return !connection->IsPortOpen(); };
    if (portHangsUp) {
        ASSERT_TRUE(
            WaitFor("the hung-up port to be closed", closed, std::chrono::milliseconds{100}));
    }
    sim::KeepRemovedPortListed(false); // the system catches up, with no notice of its own
    ASSERT_TRUE(WaitFor("the unlisted port to be closed", closed, std::chrono::milliseconds{500}));
    EXPECT_THAT(owner.changes, ElementsAre(true, false));

    sim::Plug(); // the same name again
    // Until the device answers "version" again the old record does not count.
    EXPECT_FALSE(connection->IsDeviceIdentified());
    ConnectIdentified();
    EXPECT_THAT(owner.changes, ElementsAre(true, false, true));
}

INSTANTIATE_TEST_SUITE_P(Ports, UnplugBeforeTheListing, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "HangsUp" : "GivesNoHangUp";
                         });

TEST_F(ConnectionTest, VersionInfoIsOnlyGivenWhileConnected)
{
    wxString bootBuild = "a", build = "b", sdk = "c";
    connection->GetVersionInfo(&bootBuild, &build, &sdk);
    EXPECT_EQ(bootBuild + build + sdk, "abc");

    ConnectIdentified();
    connection->GetVersionInfo(&bootBuild, &build, &sdk);
    EXPECT_EQ(sdk, sim::kDefaultSdk);
    EXPECT_EQ(build, sim::kDefaultBuild);
    EXPECT_EQ(bootBuild, sim::kDefaultBootBuild);
    connection->GetVersionInfo(nullptr, nullptr, nullptr); // each output is optional
}

TEST_F(ConnectionTest, ReturnToAutomaticHandlesWhatQueuedMeanwhile)
{
    ConnectIdentified();
    connection->SetReadMode(DeviceConnection::Manual);
    sim::Emit("queued while manual\r\n");
    WaitUntilQueued(20);
    EXPECT_FALSE(log.Contains("queued while manual"));
    connection->SetReadMode(DeviceConnection::Automatic);
    EXPECT_TRUE(log.Contains("queued while manual"));
    sim::Emit("and after\r\n");
    EXPECT_TRUE(WaitFor("the line after", [this] { return log.Contains("and after"); }));
}

// As the device does on "datadisk", at once.
void GoToDataDisk(size_t device)
{
    sim::WithDevice(
        [](sim::SimDevice& model) {
            model.Settings().diskDelay = {};
            model.Receive("datadisk\n");
        },
        device);
}

// Pinned to the second of two devices, the connection takes only that device's disk, though the
// first device's is listed first (its port: the device list's table).
TEST_F(ConnectionTest, PinnedConnectionUsesOnlyItsOwnDevicesDisk)
{
    sim::Reset(2);
    sim::Plug(0);
    sim::Plug(1);
    connection->PinDevice(ListZephlarkSerialPorts().at(1).identity);
    connection->RefreshDeviceConnections();
    for (size_t device : {0, 1})
        GoToDataDisk(device);

    const auto disks = ListZephlarkDisks();
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(connection->GetDiskPath(), disks[1].path);
    EXPECT_TRUE(connection->HasDataDisk());
}

TEST_F(ConnectionTest, DestroyingAnOpenConnectionClosesThePortAndTellsTheOwner)
{
    ConnectIdentified();
    connection.reset();
    EXPECT_FALSE(ZephlarkSerialIsOpenHere("simACM0"));
    EXPECT_THAT(owner.changes, ElementsAre(true, false));
}

TEST_F(ConnectionTest, DestroyingAfterAnUnplugStopsTheParkedReader)
{
    ConnectIdentified();
    sim::Unplug();
    connection->RefreshDeviceConnections();
    connection.reset(); // must not leave a thread running over a deleted object
    EXPECT_THAT(owner.changes, ElementsAre(true, false));
}

// Two simulated devices, listed: what each entry says once every open port answered and the row
// did what it does then.
struct DeviceListCase
{
    const char* name;
    std::function<void()> beforeTheFirstLook;
    std::function<void(DeviceList&)> beforeTheSecond;
    std::vector<std::string> entries; // port, serial number, version, mode
};

std::string Describe(const DeviceListEntry& entry)
{
    const char* const modes[] = {"serial", "data disk", "busy", "away"};
    return wxString::Format("%s %s %s %s", entry.portName, entry.serialNumber, entry.version,
                            modes[static_cast<int>(entry.mode)])
        .ToStdString();
}

class DeviceListTest : public testing::TestWithParam<DeviceListCase>
{
protected:
    DeviceListTest() { sim::Reset(2); }
    ~DeviceListTest() override { sim::Reset(); }
};

TEST_P(DeviceListTest, EachDeviceIsListedWithItsOwnConnection)
{
    const DeviceListCase& row = GetParam();
    sim::Plug(0);
    sim::Plug(1);
    if (row.beforeTheFirstLook)
        row.beforeTheFirstLook();
    int notices = 0;
    DeviceList list([&notices] { ++notices; });
    list.Refresh();
    ASSERT_TRUE(WaitFor("every open port to answer", [&list] { return list.AllIdentified(); }));
    if (row.beforeTheSecond)
        row.beforeTheSecond(list);
    list.Refresh();

    std::vector<std::string> described;
    for (const DeviceListEntry& entry : list.Entries()) {
        described.push_back(Describe(entry));
        // Each connection is pinned to its own device: the port it lists is that entry's.
        EXPECT_EQ(list.ConnectionFor(entry.identity)->GetListedPortName(), entry.portName);
    }
    EXPECT_THAT(described, testing::ElementsAreArray(row.entries));
    EXPECT_TRUE(WaitFor("the change notice", [&notices] { return notices > 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DeviceListTest,
    testing::Values(DeviceListCase{"OneOnItsDataDisk",
                                   {},
                                   [](DeviceList&) { GoToDataDisk(1); },
                                   {"simACM0 ZL-000123 1.4.2 serial",
                                    " ZL-000124 1.4.2 data disk"}},
                    // Only its USB serial names a device that never answered.
                    DeviceListCase{"OneHeldByAnotherProgram",
                                   [] { sim::FailNextOpens(INT_MAX, SerialOpenFailure::InUse, 0); },
                                   {},
                                   {"simACM0 ZL-000123  busy", "simACM1 ZL-000124 1.4.2 serial"}},
                    DeviceListCase{"OnlyTheKeptStayWhenUnplugged",
                                   {},
                                   [](DeviceList& list) {
                                       const auto entries = list.Entries();
                                       list.Keep(entries.at(0).identity, true);
                                       list.Keep(entries.at(1).identity, true);
                                       list.Keep(entries.at(1).identity, false);
                                       sim::Unplug(0);
                                       sim::Unplug(1);
                                   },
                                   {" ZL-000123 1.4.2 away"}}),
    [](const testing::TestParamInfo<DeviceListCase>& info) { return info.param.name; });

} // namespace
