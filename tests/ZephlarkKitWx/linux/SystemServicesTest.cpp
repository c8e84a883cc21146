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

// Each update holds a lock for its lifetime. Without udisks2 no disk is found; without a bus at
// all, neither service's absence is said more than once.
TEST(SystemServices, SleepIsHeldOffForEachUpdateAndAMissingServiceIsSaidOnce)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();
    LogCapture log;
    const auto said = [&log](const wxString& prefix) {
        size_t count = 0;
        for (const auto& message : log.Messages())
            count += message.StartsWith(prefix) ? 1 : 0;
        return count;
    };
    // The locks logind holds, in GVariant's text form.
    const auto inhibitors = [&bus] {
        g_autoptr(GVariant) reply = bus.Call("org.freedesktop.login1", "/org/freedesktop/login1",
                                             "org.freedesktop.login1.Manager", "ListInhibitors");
        g_autofree char* text = reply ? g_variant_print(reply, false) : nullptr;
        return std::string(text ? text : "");
    };

    for (int update = 1; update <= 2; ++update) {
        {
            SleepInhibitor inhibitor;
            EXPECT_NE(inhibitors().find("[('sleep:idle', 'Zephlark Utility', \"Updating the "
                                        "Zephlark's firmware\", 'block', "),
                      std::string::npos)
                << inhibitors();
        }
        EXPECT_TRUE(
            WaitUntil("logind to see the lock released", [&] { return inhibitors() == "([],)"; }));
    }
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    EXPECT_EQ(GetZephlarkDiskLabel(), "");
    EXPECT_TRUE(ZephlarkEjectDisk("/media/user/ZEPHLARK"));
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + bus.Folder() + "/no-bus-here").c_str(), 1);
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    SleepInhibitor{};
    SleepInhibitor{};
    bus.BecomeSystemBus(); // for --gtest_repeat

    EXPECT_EQ(said("Disk service udisks2 is not available ("), 1u);
    EXPECT_EQ(said("The computer cannot be kept from sleeping during updates (systemd-logind: "),
              1u);
}

} // namespace
