#include "DeviceChangeWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "MonotonicClock.h"
#include "Serial.h"
#include "Testbed.h"
#include "WaitFor.h"

namespace {

// Monitors must be created after the testbed, or they listen to the real kernel.
class DeviceChangeWatchTest : public UmockdevTest
{
};

TEST_F(DeviceChangeWatchTest, PlugAndUnplugNotifyOnceEach)
{
    // What a rescan finds at each notice.
    std::vector<wxString> found;
    const auto watch = WatchDeviceChanges([&] { found.push_back(FindZephlarkSerialPort()); });
    ASSERT_TRUE(watch);
    const UsbSerialDevice device{"1-1", "ttyACM0"};

    testbed->Plug(device);
    ASSERT_TRUE(WaitFor("the plug's notice", [&] { return found.size() >= 1; }));
    testbed->Announce(device.TtySysPath(), "change");
    testbed->Unplug(device);
    ASSERT_TRUE(WaitFor("the unplug's notice", [&] { return found.size() >= 2; }));
    // Notices arrive in order: a stray one from above would come before this arrival's.
    testbed->Plug({"1-2", "ttyACM1"});
    ASSERT_TRUE(WaitFor("the second plug's notice", [&] { return found.size() >= 3; }));

    EXPECT_EQ(found, (std::vector<wxString>{"/dev/ttyACM0", "", "/dev/ttyACM1"}));
}

TEST_F(DeviceChangeWatchTest, NoticeEndsAFirmwareUpdatePause)
{
    bool noticed = false;
    const auto watch = WatchDeviceChanges([&] { noticed = true; });
    ASSERT_TRUE(watch);
    testbed->Plug({"1-1", "ttyACM0"});
    const auto start = std::chrono::steady_clock::now();

    TheClock().WaitForEvents(std::chrono::seconds{10});

    EXPECT_TRUE(noticed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds{5});
}

TEST_F(DeviceChangeWatchTest, DisksCountOtherSubsystemsDoNot)
{
    int notices = 0;
    const auto watch = WatchDeviceChanges([&] { ++notices; });
    ASSERT_TRUE(watch);

    testbed->Add("P: /devices/pci0000:00/0000:00:14.0/usb1/1-3\n"
                 "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=046d\nA: idProduct=c077\n");
    testbed->Add("P: /devices/virtual/block/loop7\nE: SUBSYSTEM=block\nE: DEVTYPE=disk\n");
    ASSERT_TRUE(WaitFor("the disk's notice", [&] { return notices >= 1; }));
    testbed->Plug({"1-1", "ttyACM0"});
    ASSERT_TRUE(WaitFor("the serial device's notice", [&] { return notices >= 2; }));

    EXPECT_EQ(notices, 2);
}

TEST_F(DeviceChangeWatchTest, DestroyedWatchStaysSilent)
{
    int stoppedNotices = 0;
    int runningNotices = 0;
    auto stopped = WatchDeviceChanges([&] { ++stoppedNotices; });
    const auto running = WatchDeviceChanges([&] { ++runningNotices; });
    ASSERT_TRUE(stopped && running);

    stopped.reset();
    testbed->Plug({"1-1", "ttyACM0"});
    testbed->Plug({"1-2", "ttyACM1"});
    ASSERT_TRUE(WaitFor("two notices", [&] { return runningNotices >= 2; }));

    EXPECT_EQ(stoppedNotices, 0);
}

} // namespace
