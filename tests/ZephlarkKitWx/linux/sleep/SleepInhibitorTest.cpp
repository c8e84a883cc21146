#include "SleepInhibitor.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PrivateBus.h"
#include "WaitFor.h"

namespace {

constexpr auto kLogind = "org.freedesktop.login1";
constexpr auto kLogindPath = "/org/freedesktop/login1";
constexpr auto kManager = "org.freedesktop.login1.Manager";
const std::string kInhibitor = "sleep:idle|Zephlark Utility|Updating the Zephlark's firmware|block";

// The locks logind holds, as "what|who|why|mode".
std::vector<std::string> Inhibitors(const PrivateBus& bus)
{
    std::vector<std::string> locks;
    g_autoptr(GVariant) reply = bus.Call(kLogind, kLogindPath, kManager, "ListInhibitors");
    g_autoptr(GVariantIter) items = nullptr;
    if (reply)
        g_variant_get(reply, "(a(ssssuu))", &items);
    const char *what, *who, *why, *mode;
    while (items &&
           g_variant_iter_loop(items, "(&s&s&s&suu)", &what, &who, &why, &mode, nullptr, nullptr))
        locks.push_back(std::string(what) + "|" + who + "|" + why + "|" + mode);
    return locks;
}

TEST(SleepInhibitor, HoldsALogindLockForItsLifetime)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();

    for (int update = 1; update <= 2; ++update) {
        {
            SleepInhibitor inhibitor;
            EXPECT_EQ(Inhibitors(bus), std::vector<std::string>{kInhibitor});
        }
        EXPECT_TRUE(
            WaitUntil("logind to see the lock released", [&] { return Inhibitors(bus).empty(); }));
    }
}

} // namespace
