// A process of its own: "not available" is said once per process.
#include "DataDisk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "LogCapture.h"
#include "PrivateBus.h"

namespace {

TEST(DiskServiceAbsent, NothingIsFoundAndItIsSaidOnce)
{
    PrivateBus bus; // nothing on it provides udisks2 or could start it
    ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();
    LogCapture log;

    EXPECT_EQ(FindZephlarkDiskPath(), "");
    EXPECT_EQ(GetZephlarkDiskLabel(), "");
    EXPECT_TRUE(ZephlarkEjectDisk("/media/user/ZEPHLARK"));
    EXPECT_TRUE(log.Contains("Failed to open device for for eject: /media/user/ZEPHLARK"));

    const auto noBus = "unix:path=" + bus.Folder() + "/no-bus-here";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", noBus.c_str(), 1);
    EXPECT_EQ(FindZephlarkDiskPath(), "");

    std::vector<wxString> unavailable;
    for (const auto& message : log.Messages()) {
        if (message.StartsWith("Disk service udisks2 is not available ("))
            unavailable.push_back(message);
    }
    ASSERT_EQ(unavailable.size(), 1u);
    EXPECT_TRUE(unavailable.front().Contains("org.freedesktop.UDisks2")) << unavailable.front();
    EXPECT_TRUE(unavailable.front().EndsWith("); the Zephlark data disk cannot be found."));
}

} // namespace
