#include "sim/SimDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "MonotonicClock.h"

namespace {

using namespace std::chrono_literals;

class SimDeviceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SetClock(&clock);
        device.SetPlugged(true);
        device.SetFaceListener([this] { ++faceChanges; });
    }
    void TearDown() override { SetClock(nullptr); }

    std::string Send(const std::string& bytes)
    {
        device.Receive(bytes);
        return device.TakeOutput(SIZE_MAX);
    }

    void Advance(MonotonicClock::Duration d)
    {
        clock.Advance(d);
        device.RunDueActions();
    }

    VirtualClock clock;
    sim::SimDevice device;
    int faceChanges = 0;
};

// The workflow tests pass whether echo goes off or not, and the program writes whole lines; a
// terminal's writes break anywhere.
TEST_F(SimDeviceTest, EchoesUntilEchoOffAndTakesLinesSplitAcrossWrites)
{
    EXPECT_EQ(Send("hello there\r\n"), "hello there\r\nUnknown command: hello\r\n");
    EXPECT_EQ(Send("echo o"), "");
    EXPECT_EQ(Send("ff\r"), "");
    EXPECT_EQ(Send("\nbogus\n"), "echo off\r\nUnknown command: bogus\r\n");
    EXPECT_EQ(Send("echo on\n"), "");
    EXPECT_EQ(Send("version\n").rfind("version\r\n~version:\r\n", 0), 0u);
    EXPECT_EQ(device.Commands(),
              (std::vector<std::string>{"hello there", "echo off", "bogus", "echo on", "version"}));
}

// A host that works the weekday out wrongly shows here and nowhere else.
TEST_F(SimDeviceTest, TakesOnlyAUtcTimeWhoseWeekdayMatchesItsDate)
{
    Send("echo off\n");
    for (const std::string good : {"2026-12-05T04:09:59.123Z 6", "2028-02-29T23:59:59.999Z 2"}) {
        EXPECT_EQ(Send("settime " + good + "\n"), "");
        ASSERT_TRUE(device.LastTimeSet());
        EXPECT_EQ(device.LastTimeSet()->iso, good.substr(0, good.find(' ')));
    }
    for (const std::string bad :
         {"2026-12-05T04:09:59.123Z 5", "2027-02-29T00:00:00.000Z 1", "2026-12-05T04:09:59.123Z",
          "2026-12-05T04:09:59Z 6", "2026-12-05 04:09:59.123Z 6", "2026-12-05T04:09:59.123 6",
          "2026-13-01T00:00:00.000Z 5", "2026-12-05T24:00:00.000Z 0", "2026-12-05T04:60:00.000Z 6",
          ""}) {
        EXPECT_EQ(Send("settime " + bad + "\n"), "settime: invalid time: " + bad + "\r\n");
        EXPECT_EQ(device.LastTimeSet()->iso, "2028-02-29T23:59:59.999Z") << bad;
    }
}

// The demo's Reset button: the device goes, erased, and comes back by itself.
TEST_F(SimDeviceTest, FactoryResetErasesDropsThePortAndComesBackAfterTheRestartDelay)
{
    device.Settings().restartDelay = 3s;
    Send("echo off\nsettime 2026-12-05T04:09:59.123Z 6\n");
    const auto session = device.SerialSession();

    // Unread output, and what follows the command in the same write, go with the port.
    device.Emit("unread\r\n");
    device.Receive("factoryreset\nversion\n");
    device.Emit("while away\r\n");
    EXPECT_EQ(device.PendingOutput(), 0u);
    EXPECT_EQ(device.Commands().back(), "factoryreset");
    EXPECT_EQ(device.EraseCount(), 1);
    EXPECT_FALSE(device.LastTimeSet());

    // Its restart runs on while it is unplugged.
    device.SetPlugged(false);
    Advance(3s - 1ms);
    device.SetPlugged(true);
    EXPECT_EQ(device.Face(), sim::UsbFace::None);
    Advance(1ms);
    EXPECT_EQ(device.Face(), sim::UsbFace::Serial);
    EXPECT_GT(device.SerialSession(), session);
    EXPECT_EQ(faceChanges, 2);
    // A fresh power-up echoes again.
    EXPECT_EQ(Send("bogus\n"), "bogus\r\nUnknown command: bogus\r\n");
}

} // namespace
