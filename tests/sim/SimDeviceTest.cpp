#include "sim/SimDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "MonotonicClock.h"

namespace {

using namespace std::chrono_literals;

constexpr char kDefaultReport[] = "~version:\r\n"
                                  "target=zephlark\r\n"
                                  "boot_build=7\r\n"
                                  "build=1.4.2\r\n"
                                  "SDK=1.4.2\r\n"
                                  "serial#=ZL-000123\r\n";

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

TEST_F(SimDeviceTest, VersionReportCarriesTheRecordInOrder)
{
    Send("echo off\n");
    EXPECT_EQ(Send("version\n"), kDefaultReport);

    device.Settings().version = {"t", "b7", "b1", "s1", "S#"};
    EXPECT_EQ(Send("version\n"), "~version:\r\ntarget=t\r\nboot_build=b7\r\nbuild=b1\r\nSDK=s1\r\n"
                                 "serial#=S#\r\n");
}

TEST_F(SimDeviceTest, EchoesLinesUntilEchoOffAndAgainAfterEchoOn)
{
    EXPECT_EQ(Send("hello there\r\n"), "hello there\r\nUnknown command: hello\r\n");
    EXPECT_EQ(Send("echo off\n"), "echo off\r\n");
    EXPECT_EQ(Send("bogus\n"), "Unknown command: bogus\r\n");
    EXPECT_EQ(Send("echo on\n"), "");
    EXPECT_EQ(Send("version\n"), std::string("version\r\n") + kDefaultReport);
}

TEST_F(SimDeviceTest, RecordsCommandLinesSplitAcrossChunksWithoutCarriageReturns)
{
    device.Receive("echo o");
    device.Receive("ff\r");
    device.Receive("\nver");
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"echo off"}));
    device.Receive("sion\n");
    EXPECT_EQ(device.Commands(), (std::vector<std::string>{"echo off", "version"}));
    EXPECT_EQ(device.TakeOutput(SIZE_MAX), std::string("echo off\r\n") + kDefaultReport);
}

TEST_F(SimDeviceTest, AcceptsATimeWhoseWeekdayMatchesItsDate)
{
    Send("echo off\n");
    EXPECT_EQ(Send("settime 2026-12-05T04:09:59.123Z 6\n"), "");
    ASSERT_TRUE(device.LastTimeSet());
    EXPECT_EQ(device.LastTimeSet()->iso, "2026-12-05T04:09:59.123Z");
    EXPECT_EQ(device.LastTimeSet()->weekday, 6);

    EXPECT_EQ(Send("settime 2028-02-29T23:59:59.999Z 2\n"), "");
    EXPECT_EQ(device.LastTimeSet()->iso, "2028-02-29T23:59:59.999Z");
}

class SimDeviceBadTimeTest : public SimDeviceTest, public testing::WithParamInterface<const char*>
{
};

TEST_P(SimDeviceBadTimeTest, AnswersAnErrorAndKeepsTheLastTime)
{
    Send("echo off\n");
    Send("settime 2026-12-05T04:09:59.123Z 6\n");
    const std::string arguments = GetParam();
    EXPECT_EQ(Send("settime " + arguments + "\n"), "settime: invalid time: " + arguments + "\r\n");
    EXPECT_EQ(device.LastTimeSet()->iso, "2026-12-05T04:09:59.123Z");
}

INSTANTIATE_TEST_SUITE_P(Malformed, SimDeviceBadTimeTest,
                         testing::Values("2026-12-05T04:09:59.123Z 5", // wrong weekday
                                         "2026-12-05T04:09:59.123Z",   // no weekday
                                         "2026-12-05T04:09:59Z 6",     // no milliseconds
                                         "2026-12-05 04:09:59.123Z 6", // no T
                                         "2026-12-05T04:09:59.123 6",  // not UTC
                                         "2027-02-29T00:00:00.000Z 1", // no leap day
                                         "2026-13-01T00:00:00.000Z 5", "2026-12-05T24:00:00.000Z 0",
                                         "2026-12-05T04:60:00.000Z 6", ""));

TEST_F(SimDeviceTest, FactoryResetErasesAndComesBackAfterTheRestartDelay)
{
    device.Settings().restartDelay = 3s;
    Send("echo off\nsettime 2026-12-05T04:09:59.123Z 6\n");
    const auto session = device.SerialSession();

    // What follows the command in the same write is lost with the port.
    EXPECT_EQ(Send("factoryreset\nversion\n"), "");
    EXPECT_EQ(device.EraseCount(), 1);
    EXPECT_FALSE(device.LastTimeSet());
    EXPECT_EQ(device.Face(), sim::UsbFace::None);
    EXPECT_EQ(device.Commands().back(), "factoryreset");

    Advance(3s - 1ms);
    EXPECT_EQ(device.Face(), sim::UsbFace::None);
    Advance(1ms);
    EXPECT_EQ(device.Face(), sim::UsbFace::Serial);
    EXPECT_GT(device.SerialSession(), session);
    EXPECT_EQ(faceChanges, 2);
    // A fresh power-up echoes again; the version record survived the erase.
    EXPECT_EQ(Send("version\n"), std::string("version\r\n") + kDefaultReport);
}

TEST_F(SimDeviceTest, ListenerHearsEachChangeOfFaceOnce)
{
    device.SetPlugged(true); // no change
    device.SetPlugged(false);
    device.SetPlugged(false);
    EXPECT_EQ(faceChanges, 1);

    // Unplugged, the device still runs its timers; plugging in shows where it is now.
    device.SetPlugged(true);
    Send("datadisk\n");
    device.SetPlugged(false);
    Advance(device.Settings().diskDelay);
    EXPECT_EQ(faceChanges, 3);
    device.SetPlugged(true);
    EXPECT_EQ(device.Face(), sim::UsbFace::Disk);
    EXPECT_EQ(faceChanges, 4);
}

TEST_F(SimDeviceTest, OutputOnlyFlowsWhileTheSerialFaceIsUp)
{
    device.Emit("before\n");
    device.SetPlugged(false);
    EXPECT_EQ(device.PendingOutput(), 0u); // unread output goes with the port
    device.Emit("lost");
    device.Receive("version\n");
    device.SetPlugged(true);
    EXPECT_EQ(device.PendingOutput(), 0u);
    EXPECT_TRUE(device.Commands().empty());
}

TEST_F(SimDeviceTest, FloodComesOutWholeAndInOrderInSmallTakes)
{
    std::string flood;
    for (int i = 0; i < 200000; ++i)
        flood += static_cast<char>(i % 251);
    device.Emit(flood);
    device.Emit("tail\xff\r\n");

    std::string received;
    while (device.PendingOutput() > 0)
        received += device.TakeOutput(1000);
    EXPECT_EQ(received, flood + "tail\xff\r\n");
}

} // namespace
