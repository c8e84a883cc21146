// A process of its own: "not available" is said once per process.
#include "SleepInhibitor.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "LogCapture.h"
#include "PrivateBus.h"

namespace {

constexpr auto kLogind = "org.freedesktop.login1";
constexpr auto kLogindPath = "/org/freedesktop/login1";
constexpr auto kMock = "org.freedesktop.DBus.Mock";

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

    bus.BecomeSystemBus();
    bus.Send(kLogind, kLogindPath, kMock, "AddMethod",
             g_variant_new("(sssss)", "org.freedesktop.login1.Manager", "Inhibit", "ssss", "h",
                           "raise dbus.exceptions.DBusException('Permission denied', "
                           "name='org.freedesktop.DBus.Error.AccessDenied')"));
    InhibitAndRelease();
    g_autoptr(GVariant) calls =
        bus.Call(kLogind, kLogindPath, kMock, "GetMethodCalls", g_variant_new("(s)", "Inhibit"));
    ASSERT_TRUE(calls);
    g_autoptr(GVariant) inhibits = g_variant_get_child_value(calls, 0);
    EXPECT_EQ(g_variant_n_children(inhibits), 1u);

    const auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].StartsWith(
        "The computer cannot be kept from sleeping during updates (systemd-logind: "))
        << messages[0];
    EXPECT_TRUE(messages[0].Contains("Could not connect")) << messages[0]; // the first failure
}

} // namespace
