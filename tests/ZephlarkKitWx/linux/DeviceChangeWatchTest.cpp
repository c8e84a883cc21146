#include "DeviceChangeWatch.h"

#include <wx/evtloop.h>
#include <wx/timer.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "MonotonicClock.h"
#include "Serial.h"
#include "Testbed.h"
#include "WaitFor.h"

namespace {

// Monitors must be created after the testbed, or they listen to the real kernel.
using DeviceChangeWatchTest = UmockdevTest;

// Each notice shows in what a rescan finds then: one too many or one missing shifts the list.
TEST_F(DeviceChangeWatchTest,
       SerialAndDiskChangesNotifyOnceEachAndEndAPauseToolkitEventsOtherDevicesAndGoneWatchesNot)
{
    {
        // An update pauses inside the running main loop, where the progress bar's animation (the
        // timer) wakes the toolkit at the display's frame rate: that must not end the pause.
        wxEventLoop loop;
        wxEventLoopActivator running(&loop);
        wxTimer frames;
        frames.Start(5);
        const auto start = std::chrono::steady_clock::now();
        TheClock().WaitForEvents(std::chrono::milliseconds{100});
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds{100});
    }
    std::vector<wxString> found;
    int goneNotices = 0;
    auto gone = WatchDeviceChanges([&] { ++goneNotices; });
    const auto watch = WatchDeviceChanges([&] { found.push_back(FindZephlarkSerialPort()); });
    ASSERT_TRUE(gone && watch);
    gone.reset();
    const UsbSerialDevice device{"1-1", "ttyACM0"};

    // A USB mouse: another subsystem.
    testbed->Add("P: /devices/pci0000:00/0000:00:14.0/usb1/1-3\n"
                 "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=046d\nA: idProduct=c077\n");
    testbed->Plug(device);
    // A notice ends a firmware update's pause at once.
    const auto start = std::chrono::steady_clock::now();
    TheClock().WaitForEvents(std::chrono::seconds{10});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds{5});
    testbed->Announce(device.TtySysPath(), "change");
    testbed->Unplug(device);
    ASSERT_TRUE(WaitFor("the unplug's notice", [&] { return found.size() >= 2; }));
    testbed->Add("P: /devices/virtual/block/loop7\nE: SUBSYSTEM=block\nE: DEVTYPE=disk\n");
    ASSERT_TRUE(WaitFor("the disk's notice", [&] { return found.size() >= 3; }));
    // Notices arrive in order: a stray one from above would come before this arrival's.
    testbed->Plug({"1-2", "ttyACM1"});
    ASSERT_TRUE(WaitFor("the second plug's notice", [&] { return found.size() >= 4; }));

    EXPECT_EQ(found, (std::vector<wxString>{"/dev/ttyACM0", "", "", "/dev/ttyACM1"}));
    EXPECT_EQ(goneNotices, 0);
}

} // namespace
