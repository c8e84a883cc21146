#include "SleepInhibitor.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
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

// The pipes a process has open, as "pipe:[inode]".
std::set<std::string> Pipes(const std::string& process)
{
    std::set<std::string> pipes;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + process + "/fd")) {
        std::error_code closed;
        const auto target = std::filesystem::read_symlink(entry.path(), closed).string();
        if (target.rfind("pipe:", 0) == 0)
            pipes.insert(target);
    }
    return pipes;
}

// logind's lock is the writing end of a pipe whose reading end logind watches: the lock is held
// here for as long as this process shares one more pipe with logind than the ones both inherited.
size_t PipesSharedWithLogind(const PrivateBus& bus)
{
    g_autoptr(GVariant) reply =
        bus.Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                 "GetConnectionUnixProcessID", g_variant_new("(s)", kLogind));
    guint32 logind = 0;
    if (reply)
        g_variant_get(reply, "(u)", &logind);
    const auto ours = Pipes("self");
    size_t shared = 0;
    for (const auto& pipe : Pipes(std::to_string(logind)))
        shared += ours.count(pipe);
    return shared;
}

TEST(SleepInhibitor, HoldsALogindLockForItsLifetime)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();

    const size_t inherited = PipesSharedWithLogind(bus);
    for (int update = 1; update <= 2; ++update) {
        {
            SleepInhibitor inhibitor;
            EXPECT_EQ(Inhibitors(bus), std::vector<std::string>{kInhibitor});
            EXPECT_EQ(PipesSharedWithLogind(bus), inherited + 1);
        }
        EXPECT_EQ(PipesSharedWithLogind(bus), inherited);
        EXPECT_TRUE(
            WaitUntil("logind to see the lock released", [&] { return Inhibitors(bus).empty(); }));
    }
}

} // namespace
