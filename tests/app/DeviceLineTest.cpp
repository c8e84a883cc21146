// The device line's wording in each state of the connection, on the simulated device.

#include <gtest/gtest.h>

#include <functional>

#include "ConnectionFixture.h"
#include "DeviceLine.h"

namespace {

struct LineCase
{
    const char* name;
    std::function<void(DeviceConnection&)> reach;
    const char* text;
};

class DeviceLineTest : public ConnectionTest, public testing::WithParamInterface<LineCase>
{
};

TEST_P(DeviceLineTest, SaysWhatTheConnectionIs)
{
    GetParam().reach(*connection);
    EXPECT_EQ(DeviceLineText(*connection), GetParam().text);
}

void PlugFailingOpen(DeviceConnection& connection, SerialOpenFailure reason)
{
    sim::FailNextOpens(1, reason);
    sim::Plug();
    connection.RefreshDeviceConnections();
}

INSTANTIATE_TEST_SUITE_P(
    States, DeviceLineTest,
    testing::Values(
        LineCase{"NoDevice", [](DeviceConnection& c) { c.RefreshDeviceConnections(); },
                 "No Zephlark connected"},
        // The version report is handled on later events, none of which has run yet.
        LineCase{"BeforeTheVersionReport",
                 [](DeviceConnection& c) {
                     sim::Plug();
                     c.RefreshDeviceConnections();
                 },
                 "Zephlark connected"},
        LineCase{"Identified",
                 [](DeviceConnection& c) {
                     sim::Plug();
                     c.RefreshDeviceConnections();
                     ASSERT_TRUE(
                         WaitFor("the version report", [&] { return c.IsDeviceIdentified(); }));
                 },
                 "Zephlark ZL-000123 connected, OS 1.4.2"},
        LineCase{"PermissionDenied",
                 [](DeviceConnection& c) { PlugFailingOpen(c, SerialOpenFailure::Denied); },
                 "Zephlark on simACM0 cannot be opened: permission denied"},
        LineCase{"HeldByAnotherProgram",
                 [](DeviceConnection& c) { PlugFailingOpen(c, SerialOpenFailure::InUse); },
                 "Zephlark on simACM0 is in use by another program"},
        LineCase{"OpensOnTheNextRefresh",
                 [](DeviceConnection& c) {
                     PlugFailingOpen(c, SerialOpenFailure::Denied);
                     c.RefreshDeviceConnections();
                 },
                 "Zephlark connected"}),
    [](const testing::TestParamInfo<LineCase>& info) { return info.param.name; });

} // namespace
