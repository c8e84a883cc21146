#include <cstring>

#include "ConnectionFixture.h"
#include "DataDisk.h"
#include "Serial.h"
#include "sim/SimDevice.h"

namespace {

using testing::ElementsAre;

TEST_F(ConnectionTest, ConnectingSendsTheThreeOpeningCommandsInOrder)
{
    sim::Plug();
    connection->RefreshDeviceConnections();

    EXPECT_TRUE(connection->IsPortOpen());
    EXPECT_THAT(owner.changes, ElementsAre(true));
    EXPECT_TRUE(log.Contains("Device Connected: simACM0"));
    EXPECT_THAT(sim::Written(), testing::MatchesRegex("echo off\nversion\nsettime [^\n]*\n"));
}

TEST_F(ConnectionTest, RefreshWithTheSamePortOpenChangesNothing)
{
    ConnectIdentified();
    sim::ClearWritten();
    connection->RefreshDeviceConnections();
    EXPECT_EQ(sim::Written(), "");
    EXPECT_THAT(owner.changes, ElementsAre(true));
}

TEST_F(ConnectionTest, PortChangeDisconnectsTheOldNameThenConnectsTheNew)
{
    ConnectIdentified();
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

TEST_F(ConnectionTest, FirmwareAndDataDiskCommandsAreSentAsSingleLines)
{
    ConnectIdentified();
    sim::ClearWritten();
    connection->StartFirmwareUpdate("A", "");
    connection->StartFirmwareUpdate("A", "B");
    connection->EnterDataDisk();
    EXPECT_EQ(sim::Written(), "fwup /A\nfwup /A /B\ndatadisk\n");
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

// Pinned to the second of two devices, the connection takes only that device's port and disk,
// though the first device's are listed first.
TEST_F(ConnectionTest, PinnedConnectionUsesOnlyItsOwnDevicesPortAndDisk)
{
    sim::Reset(2);
    sim::Plug(0);
    sim::Plug(1);
    connection->PinDevice(ListZephlarkSerialPorts().at(1).identity);
    connection->RefreshDeviceConnections();
    EXPECT_EQ(connection->GetPortName(), "simACM1");
    for (size_t device : {0, 1})
        sim::WithDevice(
            [](sim::SimDevice& model) {
                model.Settings().diskDelay = {};
                model.Receive("datadisk\n");
            },
            device);

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

} // namespace
