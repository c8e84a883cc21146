// The device model as the host sees it through a terminal, where writes break anywhere and a
// device that leaves USB takes with it what the host had not read yet. The demo's Reset button
// and the update's restarts rely on the same going and coming back.
#include "sim/SimDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "MonotonicClock.h"
#include "sim/SampleOsFile.h"

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

    void Advance(MonotonicClock::Duration d)
    {
        clock.Advance(d);
        device.RunDueActions();
    }

    VirtualClock clock;
    sim::SimDevice device;
    int faceChanges = 0;
};

TEST_F(SimDeviceTest, TakesLinesSplitAcrossWrites)
{
    device.Receive("echo o");
    device.Receive("ff\r");
    device.Receive("\nversion\n");

    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"echo off", "version"}));
    EXPECT_EQ(device.TakeOutput(10), "~version:\r");
}

TEST_F(SimDeviceTest, FactoryResetDropsThePortAndComesBackAfterTheRestartDelay)
{
    device.Settings().restartDelay = 3s;
    const auto session = device.SerialSession();

    // Unread output, and what follows the command in the same write, go with the port.
    device.Emit("unread\r\n");
    device.Receive("factoryreset\nversion\n");
    device.Emit("while away\r\n");
    EXPECT_EQ(device.PendingOutput(), 0u);
    EXPECT_EQ(device.Commands().back(), "factoryreset");

    // Its restart runs on while it is unplugged.
    device.SetPlugged(false);
    Advance(3s - 1ms);
    device.SetPlugged(true);
    EXPECT_EQ(device.Face(), sim::UsbFace::None);
    Advance(1ms);
    EXPECT_EQ(device.Face(), sim::UsbFace::Serial);
    EXPECT_GT(device.SerialSession(), session);
    EXPECT_EQ(faceChanges, 2);
}

// zephlark-make-os-file has only this message to tell its user why it failed.
TEST(SampleOsFile, FileThatCannotBeCreatedIsLogged)
{
    LogCapture log;
    EXPECT_FALSE(sim::WriteSampleOsFile("/nonexistent-folder/update.zlos", "2.0.0"));
    EXPECT_TRUE(log.Contains("Failed to create the OS file /nonexistent-folder/update.zlos."));
}

} // namespace
