#include <climits>
#include <cstring>
#include <functional>

#include "ConnectionFixture.h"
#include "DeviceList.h"
#include "Serial.h"
#include "sim/SimDevice.h"

namespace {

using testing::ElementsAre;

// What one connection left behind, an unfinished line or a state entered by "~stats:", must not
// keep the next connection from identifying the device. Destroyed after the last unplug, the
// connection must stop its parked reader (left running, it hangs this test).
TEST_F(ConnectionTest, NextConnectionStartsWithAnEmptyQueueAndAFreshClassifier)
{
    for (const char* leftover : {"booting, please wai", "~stats:\r\n"}) {
        ConnectIdentified();
        sim::Emit(leftover);
        // Queued, and left unhandled: no event is handled meanwhile.
        ASSERT_TRUE(WaitUntil("the reader to queue it", [&] {
            return connection->LineQueue().QueuedBytes() >= std::strlen(leftover);
        }));
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

TEST_F(ConnectionTest, IdentifiedConnectionGivesEachVersionFieldAndOnItsEndClosesThePort)
{
    ConnectIdentified();
    wxString bootBuild, build, sdk;
    connection->GetVersionInfo(&bootBuild, &build, &sdk);
    EXPECT_EQ(sdk, sim::kDefaultSdk);
    EXPECT_EQ(build, sim::kDefaultBuild);
    EXPECT_EQ(bootBuild, sim::kDefaultBootBuild);
    connection.reset(); // the owner is told
    EXPECT_FALSE(ZephlarkSerialIsOpenHere("simACM0"));
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
                                   // As the device does on "datadisk", at once.
                                   [](DeviceList&) {
                                       sim::WithDevice(
                                           [](sim::SimDevice& model) {
                                               model.Settings().diskDelay = {};
                                               model.Receive("datadisk\n");
                                           },
                                           1);
                                   },
                                   {"simACM0 ZL-000123 1.4.2 serial",
                                    " ZL-000124 1.4.2 data disk"}},
                    // Only its USB serial names a device that never answered.
                    DeviceListCase{"OneHeldByAnotherProgram",
                                   [] { sim::FailNextOpens(INT_MAX, SerialOpenFailure::InUse, 0); },
                                   {},
                                   {"simACM0 ZL-000123  busy", "simACM1 ZL-000124 1.4.2 serial"}}),
    [](const testing::TestParamInfo<DeviceListCase>& info) { return info.param.name; });

} // namespace
