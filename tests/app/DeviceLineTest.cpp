// A failed open and its retry, with the device line between the open and the version report; the
// line's other states are read on the window (MainFrameTest, DesktopLanguageTest).

#include "ConnectionFixture.h"
#include "DeviceLine.h"
#include "Serial.h"

namespace {

using testing::ElementsAre;

TEST_F(ConnectionTest, FailedOpenIsRetriedOnTheNextRefreshAndForgotten)
{
    sim::Plug();
    sim::FailNextOpens(1, SerialOpenFailure::InUse);
    connection->RefreshDeviceConnections();
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    EXPECT_TRUE(owner.changes.empty());
    EXPECT_EQ(sim::Written(), "");
    EXPECT_EQ(DeviceLineText(*connection), "Zephlark on simACM0 is in use by another program");

    connection->RefreshDeviceConnections();
    EXPECT_TRUE(ZephlarkSerialIsOpen());
    EXPECT_THAT(owner.changes, ElementsAre(true));
    EXPECT_EQ(sim::Written().rfind("echo off\nversion\nsettime ", 0), 0u) << sim::Written();
    // The version report is handled on later events, none of which has run yet.
    EXPECT_EQ(DeviceLineText(*connection), "Zephlark connected");
}

} // namespace
