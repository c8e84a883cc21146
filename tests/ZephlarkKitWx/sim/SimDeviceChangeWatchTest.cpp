#include <wx/app.h>
#include <wx/thread.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "DeviceChangeWatch.h"
#include "Serial.h"
#include "SimPlatformFixture.h"
#include "WaitFor.h"
#include "sim/SimPlatform.h"

namespace {

using namespace std::chrono_literals;

// Long enough for a stray notice that is already queued to arrive.
constexpr auto kQuietPeriod = 100ms;

class SimDeviceChangeWatchTest : public SimPlatformTest
{
protected:
    void SetUp() override
    {
        SimPlatformTest::SetUp();
        FlushNotices(); // what Reset may have posted
    }

    std::unique_ptr<DeviceChangeWatch> Watch()
    {
        return WatchDeviceChanges([this] {
            ++notices;
            onGuiThread = onGuiThread && wxIsMainThread();
        });
    }

    static void FlushNotices()
    {
        WaitFor(
            "stray notices to arrive", [] { return false; }, kQuietPeriod);
    }

    int notices = 0;
    bool onGuiThread = true;
};

// A notice runs window code, which belongs on the GUI thread whichever thread made the change.
TEST_F(SimDeviceChangeWatchTest, EachChangePostsExactlyOneNoticeOnTheGuiThread)
{
    const auto watch = Watch();
    std::thread([] { sim::Plug(); }).join();
    ASSERT_TRUE(WaitFor("one notice", [this] { return notices == 1; }));
    sim::Plug(); // already plugged: nothing changes
    sim::Unplug();
    sim::Unplug();
    FlushNotices();
    EXPECT_EQ(notices, 2);

    sim::Plug();
    sim::SetPortName("simACM3");
    FlushNotices();
    EXPECT_EQ(notices, 4);
    EXPECT_TRUE(onGuiThread);
}

// The demo's device comes back from a reset while the window, idle, calls nothing.
TEST_F(SimDeviceChangeWatchTest, TimedChangesPostNoticesWithoutAnyPlatformCall)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    ZephlarkSerialSendLine("factoryreset");
    ZephlarkSerialClose();
    const auto watch = Watch();

    // Nobody touches the platform: the device comes back by itself once its time has come.
    sim::WithDevice([](sim::SimDevice& device) { clock.Advance(device.Settings().restartDelay); });
    ASSERT_TRUE(WaitFor("one notice", [this] { return notices == 1; }));
    EXPECT_EQ(FindZephlarkSerialPort(), "simACM0");
}

// A window closed with a notice still queued must not be called.
TEST_F(SimDeviceChangeWatchTest, NoNoticeArrivesAfterTheWatchIsGone)
{
    auto watch = Watch();
    sim::Plug(); // its notice is queued, not yet delivered
    watch.reset();
    FlushNotices();
    EXPECT_EQ(notices, 0);

    sim::Unplug();
    FlushNotices();
    EXPECT_EQ(notices, 0);
}

} // namespace
