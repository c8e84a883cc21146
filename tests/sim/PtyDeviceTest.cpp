#include "sim/PtyDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr auto kReplyLimit = std::chrono::milliseconds{5s};
// A device that would still answer does so well within this.
constexpr auto kSilenceLimit = 200ms;

constexpr char kReport[] = "~version:\r\ntarget=zephlark\r\nboot_build=7\r\nbuild=1.4.2\r\n"
                           "SDK=1.4.2\r\nserial#=ZL-000123\r\n";

// The host's side: the slave end of the device's pseudo-terminal.
class PtyDeviceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.IsRunning());
        host = open(device.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(host, 0);
    }

    void TearDown() override
    {
        if (host >= 0)
            close(host);
    }

    void Write(const std::string& bytes)
    {
        ASSERT_EQ(write(host, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads until `expected` bytes came (or the limit passed), then returns what came.
    std::string Read(size_t expected, std::chrono::milliseconds limit = kReplyLimit)
    {
        std::string received;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (received.size() < expected && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{host, POLLIN, 0};
            if (poll(&fd, 1, 10) <= 0)
                continue;
            char buffer[512];
            const ssize_t count = read(host, buffer, sizeof buffer);
            if (count > 0)
                received.append(buffer, static_cast<size_t>(count));
        }
        return received;
    }

    sim::PtyDevice device;
    int host = -1;
};

TEST_F(PtyDeviceTest, AnswersVersionThroughTheTerminal)
{
    Write("echo off\r\nversion\n");
    const std::string expected = std::string("echo off\r\n") + kReport;
    EXPECT_EQ(Read(expected.size()), expected);

    std::vector<std::string> commands;
    device.WithDevice([&commands](sim::SimDevice& d) { commands = d.Commands(); });
    EXPECT_EQ(commands, (std::vector<std::string>{"echo off", "version"}));
}

TEST_F(PtyDeviceTest, EmittedBytesReachTheHostUnchanged)
{
    std::string flood = "chatter \xff\xfe\r\n";
    for (int i = 0; i < 100000; ++i)
        flood += static_cast<char>('a' + i % 26);
    device.Emit(flood);
    EXPECT_EQ(Read(flood.size()), flood);
}

TEST_F(PtyDeviceTest, AttachedToAnotherMasterTheSameDeviceGoesOn)
{
    Write("echo off\n");
    ASSERT_EQ(Read(std::string("echo off\r\n").size()), "echo off\r\n");

    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    device.Attach(master);
    close(host);
    host = slave;

    // Echo stays off: it is still the device that was told so.
    Write("version\n");
    EXPECT_EQ(Read(std::string(kReport).size()), kReport);
    device.Stop();
    close(master);
}

TEST_F(PtyDeviceTest, StopEndsServingAndCanBeRepeated)
{
    device.Stop();
    device.Stop();
    Write("version\n");
    EXPECT_EQ(Read(1, kSilenceLimit), "");
}

} // namespace
