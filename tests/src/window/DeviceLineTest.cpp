// A failed open and its retry, with the device line between the open and the version report, and a
// device seen only as its data disk; the line's other states are read on the window
// (MainFrameTest, DesktopLanguageTest, the firmware window's tests).

#include "ConnectionFixture.h"
#include "window/DeviceLine.h"
#include "Serial.h"
#include "sim/SimDevice.h"

namespace {

using testing::ElementsAre;

TEST_F(ConnectionTest, FailedOpenIsRetriedOnTheNextRefreshAndForgotten)
{
    sim::Plug();
    sim::FailNextOpens(1, SerialOpenFailure::InUse);
    connection->RefreshDeviceConnections();
    EXPECT_FALSE(connection->IsPortOpen());
    EXPECT_TRUE(owner.changes.empty());
    EXPECT_EQ(sim::Written(), "");
    EXPECT_EQ(DeviceLineText(connection.get()), "Zephlark on simACM0 is in use by another program");

    connection->RefreshDeviceConnections();
    EXPECT_TRUE(connection->IsPortOpen());
    EXPECT_THAT(owner.changes, ElementsAre(true));
    EXPECT_EQ(sim::Written().rfind("echo off\nversion\nsettime ", 0), 0u) << sim::Written();
    // The version report is handled on later events, none of which has run yet.
    EXPECT_EQ(DeviceLineText(connection.get()), "Zephlark connected");
}

TEST_F(ConnectionTest, DeviceOnItsDataDiskIsNoMissingDevice)
{
    ConnectIdentified();
    sim::WithDevice([](sim::SimDevice& device) { device.Settings().diskDelay = {}; });
    connection->EnterDataDisk();
    ASSERT_TRUE(WaitFor("the data disk", [this] { return connection->HasDataDisk(); }));
    EXPECT_EQ(DeviceLineText(connection.get()), "Zephlark on its data disk");
}

} // namespace
