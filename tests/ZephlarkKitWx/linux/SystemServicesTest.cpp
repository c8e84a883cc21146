// A process of its own: each service's "not available" is said once per process. Its bus has
// python-dbusmock's logind and no udisks2.
#include "DataDisk.h"
#include "SleepInhibitor.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "PrivateBus.h"
#include "WaitFor.h"

namespace {

constexpr auto kLogind = "org.freedesktop.login1";
constexpr auto kLogindPath = "/org/freedesktop/login1";

class SystemServices : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();
    }
    void TearDown() override { bus.BecomeSystemBus(); } // for the next test's bus

    void LoseTheBus()
    {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + bus.Folder() + "/no-bus-here").c_str(),
               1);
    }

    // The messages starting with prefix.
    std::vector<wxString> Said(const wxString& prefix)
    {
        std::vector<wxString> said;
        for (const auto& message : log.Messages()) {
            if (message.StartsWith(prefix))
                said.push_back(message);
        }
        return said;
    }

    // The locks logind holds, as "what|who|why|mode".
    std::vector<std::string> Inhibitors()
    {
        std::vector<std::string> locks;
        g_autoptr(GVariant) reply =
            bus.Call(kLogind, kLogindPath, "org.freedesktop.login1.Manager", "ListInhibitors");
        g_autoptr(GVariantIter) items = nullptr;
        if (reply)
            g_variant_get(reply, "(a(ssssuu))", &items);
        const char *what, *who, *why, *mode;
        while (items && g_variant_iter_loop(items, "(&s&s&s&suu)", &what, &who, &why, &mode,
                                            nullptr, nullptr))
            locks.push_back(std::string(what) + "|" + who + "|" + why + "|" + mode);
        return locks;
    }

    PrivateBus bus;
    LogCapture log;
};

TEST_F(SystemServices, NoDiskIsFoundAndItIsSaidOnce)
{
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    EXPECT_EQ(GetZephlarkDiskLabel(), "");
    EXPECT_TRUE(ZephlarkEjectDisk("/media/user/ZEPHLARK"));
    EXPECT_TRUE(log.Contains("Failed to open device for for eject: /media/user/ZEPHLARK"));
    LoseTheBus();
    EXPECT_EQ(FindZephlarkDiskPath(), "");

    const auto unavailable = Said("Disk service udisks2 is not available (");
    ASSERT_EQ(unavailable.size(), 1u);
    EXPECT_TRUE(unavailable.front().Contains("org.freedesktop.UDisks2")) << unavailable.front();
}

// Each update holds a lock for its lifetime; without one it says why, once.
TEST_F(SystemServices, SleepIsHeldOffForEachUpdateOrItIsSaidOnceWhyNot)
{
    for (int update = 1; update <= 2; ++update) {
        {
            SleepInhibitor inhibitor;
            EXPECT_EQ(Inhibitors(), std::vector<std::string>{"sleep:idle|Zephlark Utility|"
                                                             "Updating the Zephlark's firmware|"
                                                             "block"});
        }
        EXPECT_TRUE(
            WaitUntil("logind to see the lock released", [&] { return Inhibitors().empty(); }));
    }
    LoseTheBus();
    SleepInhibitor{};
    bus.BecomeSystemBus();
    constexpr auto kMock = "org.freedesktop.DBus.Mock";
    g_autoptr(GVariant) added =
        bus.Call(kLogind, kLogindPath, kMock, "AddMethod",
                 g_variant_new("(sssss)", "org.freedesktop.login1.Manager", "Inhibit", "ssss", "h",
                               "raise dbus.exceptions.DBusException('Permission denied', "
                               "name='org.freedesktop.DBus.Error.AccessDenied')"));
    ASSERT_TRUE(added);
    SleepInhibitor{};
    g_autoptr(GVariant) calls =
        bus.Call(kLogind, kLogindPath, kMock, "GetMethodCalls", g_variant_new("(s)", "Inhibit"));
    ASSERT_TRUE(calls);
    g_autoptr(GVariant) inhibits = g_variant_get_child_value(calls, 0);
    EXPECT_EQ(g_variant_n_children(inhibits), 3u); // two updates', then the refused one

    const auto unavailable =
        Said("The computer cannot be kept from sleeping during updates (systemd-logind: ");
    ASSERT_EQ(unavailable.size(), 1u);
    EXPECT_TRUE(unavailable[0].Contains("Could not connect")) << unavailable[0]; // the first one
}

} // namespace
