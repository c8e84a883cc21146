// A process of its own: "not available" is said once per process.
#include "SleepInhibitor.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "LogCapture.h"
#include "MockLogind.h"
#include "PrivateBus.h"

namespace {

void InhibitAndRelease()
{
    SleepInhibitor inhibitor;
}

TEST(SleepInhibitorWithoutLogind, GoesOnAndSaysSoOnce)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();
    LogCapture log;
    const auto noBus = "unix:path=" + bus.Folder() + "/no-bus-here";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", noBus.c_str(), 1);
    InhibitAndRelease();

    bus.BecomeSystemBus(); // nothing on it provides logind
    InhibitAndRelease();

    MockLogind logind;
    logind.Refuse("Permission denied");
    ASSERT_TRUE(logind.Start(bus.Address()));
    InhibitAndRelease();
    EXPECT_EQ(logind.Calls().size(), 1u);

    const auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].StartsWith(
        "The computer cannot be kept from sleeping during updates (systemd-logind: "))
        << messages[0];
    EXPECT_TRUE(messages[0].Contains("Could not connect")) << messages[0]; // the first failure
}

} // namespace
