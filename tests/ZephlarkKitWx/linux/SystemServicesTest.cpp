// A process of its own: each service's "not available" is said once per process. Its bus has
// python-dbusmock's logind and no udisks2.
#include "DataDisk.h"
#include "SleepInhibitor.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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

    // How many messages start with prefix.
    size_t Said(const wxString& prefix)
    {
        size_t said = 0;
        for (const auto& message : log.Messages())
            said += message.StartsWith(prefix) ? 1 : 0;
        return said;
    }

    // The locks logind holds, in GVariant's text form.
    std::string Inhibitors()
    {
        g_autoptr(GVariant) reply =
            bus.Call(kLogind, kLogindPath, "org.freedesktop.login1.Manager", "ListInhibitors");
        g_autofree char* text = reply ? g_variant_print(reply, false) : nullptr;
        return text ? text : "";
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

    EXPECT_EQ(Said("Disk service udisks2 is not available ("), 1u);
}

// Each update holds a lock for its lifetime; without one it says why, once.
TEST_F(SystemServices, SleepIsHeldOffForEachUpdateOrItIsSaidOnceWhyNot)
{
    for (int update = 1; update <= 2; ++update) {
        {
            SleepInhibitor inhibitor;
            EXPECT_NE(Inhibitors().find("[('sleep:idle', 'Zephlark Utility', \"Updating the "
                                        "Zephlark's firmware\", 'block', "),
                      std::string::npos)
                << Inhibitors();
        }
        EXPECT_TRUE(
            WaitUntil("logind to see the lock released", [&] { return Inhibitors() == "([],)"; }));
    }
    LoseTheBus();
    SleepInhibitor{};
    SleepInhibitor{};

    EXPECT_EQ(Said("The computer cannot be kept from sleeping during updates (systemd-logind: "),
              1u);
}

} // namespace
