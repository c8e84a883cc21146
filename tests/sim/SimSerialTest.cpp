#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "LogCapture.h"
#include "Serial.h"
#include "SimPlatformFixture.h"
#include "sim/SimPlatform.h"

namespace {

using namespace std::chrono_literals;

constexpr char kReport[] = "~version:\r\ntarget=zephlark\r\nboot_build=7\r\nbuild=1.4.2\r\n"
                           "SDK=1.4.2\r\nserial#=ZL-000123\r\n";

using SimSerialTest = SimPlatformTest;

TEST_F(SimSerialTest, DiscoveryReportsThePortOnlyWhilePluggedInSerialMode)
{
    EXPECT_EQ(FindZephlarkSerialPort(), "");
    sim::Plug();
    EXPECT_EQ(FindZephlarkSerialPort(), "simACM0");
    sim::SetPortName("simACM7");
    EXPECT_EQ(FindZephlarkSerialPort(), "simACM7");

    ASSERT_TRUE(ZephlarkSerialOpen("simACM7"));
    ZephlarkSerialSendLine("datadisk");
    EXPECT_EQ(FindZephlarkSerialPort(), "");
    sim::Unplug();
    EXPECT_EQ(FindZephlarkSerialPort(), "");
}

TEST_F(SimSerialTest, OpenFailsQuietlyForAWrongNameAMissingDeviceOrAnInjectedFault)
{
    LogCapture log;
    EXPECT_FALSE(ZephlarkSerialOpen("simACM0"));
    sim::Plug();
    EXPECT_FALSE(ZephlarkSerialOpen("simACM1"));
    sim::FailNextOpens(2);
    EXPECT_FALSE(ZephlarkSerialOpen("simACM0"));
    EXPECT_FALSE(ZephlarkSerialOpen("simACM0"));
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    EXPECT_TRUE(log.Messages().empty());

    EXPECT_TRUE(ZephlarkSerialOpen("simACM0"));
    EXPECT_TRUE(ZephlarkSerialIsOpen());
}

TEST_F(SimSerialTest, OpeningAgainKeepsTheOpenPortAndSaysSo)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    LogCapture log;
    EXPECT_TRUE(ZephlarkSerialOpen("elsewhere"));
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_TRUE(log.Messages()[0].StartsWith("Serial port was already open ("));

    ZephlarkSerialSendLine("echo off");
    ZephlarkSerialSendLine("version");
    EXPECT_EQ(ReadAll(), std::string("echo off\r\n") + kReport);
}

TEST_F(SimSerialTest, ReadWaitsAboutTenMillisecondsWhenNothingComes)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    uint8_t byte;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 10ms);
    EXPECT_LT(waited, 500ms);
}

TEST_F(SimSerialTest, ReadTakesWhatWaitsUpToTheCount)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    sim::Emit("abc\xff\r\n");
    uint8_t buffer[4];
    ASSERT_EQ(ZephlarkSerialRead(buffer, 4), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "abc\xff");
    EXPECT_EQ(ReadAll(), "\r\n");
}

TEST_F(SimSerialTest, UnplugHangsUpTheOpenPortUntilItIsClosed)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    sim::Emit("unread\r\n");
    sim::Unplug();

    uint8_t byte;
    errno = 0;
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_TRUE(ZephlarkSerialIsOpen());
    EXPECT_EQ(ZephlarkSerialWrite(&byte, 1), -1);

    // Back on USB while the old handle is still held: the old one stays dead.
    sim::Plug();
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);

    ZephlarkSerialClose();
    ZephlarkSerialClose(); // harmless twice
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST_F(SimSerialTest, DeviceBackWhileTheOldPortIsHeldComesUnderTheNextName)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    sim::Unplug();
    sim::Plug();
    EXPECT_EQ(FindZephlarkSerialPort(), "simACM1");

    ZephlarkSerialClose();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM1"));
    ZephlarkSerialSendLine("echo off");
    EXPECT_EQ(ReadAll(), "echo off\r\n");

    // A device that comes back after the host let go gets its own name again.
    ZephlarkSerialClose();
    sim::Unplug();
    sim::Plug();
    EXPECT_EQ(FindZephlarkSerialPort(), "simACM0");
}

TEST_F(SimSerialTest, WriteOnAClosedPortLogsAndFails)
{
    LogCapture log;
    const uint8_t data[] = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(ZephlarkSerialWrite(data, 0), 0);
    EXPECT_EQ(ZephlarkSerialWrite(data, sizeof data), -1);
    EXPECT_EQ(log.Messages(), std::vector<wxString>{"Serial write Failed: (0 != 5)"});
    EXPECT_EQ(sim::Written(), "");
}

TEST_F(SimSerialTest, SendLineWritesTheTextAndOneLineFeed)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    EXPECT_EQ(ZephlarkSerialSendLine("version"), 8);
    EXPECT_EQ(sim::Written(), "version\n");
    EXPECT_EQ(ReadAll(), std::string("version\r\n") + kReport);

    sim::ClearWritten();
    const std::string longest(kMaxSerialLineBytes, 'x');
    EXPECT_EQ(ZephlarkSerialSendLine(longest.c_str()), static_cast<int64_t>(longest.size() + 1));
    EXPECT_EQ(ZephlarkSerialSendLine((longest + "y").c_str()), 0);
    EXPECT_EQ(sim::Written(), longest + "\n");
}

} // namespace
