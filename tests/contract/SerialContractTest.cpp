// The serial half of the platform layer as Serial.h promises it, the same on every platform: each
// platform's test program compiles these cases with its own SerialDeviceEnd.

#include "Serial.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "LogCapture.h"
#include "SerialDeviceEnd.h"

namespace {

using namespace std::chrono_literals;
using std::chrono::steady_clock;

constexpr auto kPatience = 5s;
// An empty read returns after its 10 ms wait for a first byte. A read that never waited would spin
// the reader thread; one that never returned would block it for good. Timers on a busy machine,
// and wine's, add some slack.
constexpr auto kShortestEmptyRead = 5ms;
constexpr auto kLongestEmptyRead = 250ms;

int64_t Write(const std::string& bytes)
{
    return ZephlarkSerialWrite(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

class SerialContract : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string refusal;
        device = MakeSerialDeviceEnd(refusal);
        if (!device)
            GTEST_SKIP() << refusal;
        ASSERT_TRUE(ZephlarkSerialOpen(device->PortName()));
        log.Clear();
    }

    void TearDown() override { ZephlarkSerialClose(); }

    // What the port delivers to reads of at most `chunk` bytes, until `count` bytes came or time
    // ran out; `reads` counts the reads that brought something.
    static std::string PortDelivers(size_t count, uint32_t chunk, int& reads)
    {
        std::string received;
        const auto deadline = steady_clock::now() + kPatience;
        while (received.size() < count && steady_clock::now() < deadline) {
            uint8_t buffer[256];
            const int64_t got = ZephlarkSerialRead(buffer, chunk);
            if (got <= 0)
                continue;
            EXPECT_LE(got, chunk);
            received.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(got));
            ++reads;
        }
        return received;
    }

    LogCapture log;
    std::unique_ptr<SerialDeviceEnd> device;
};

TEST_F(SerialContract, OpeningAgainKeepsTheOpenPortAndSaysSo)
{
    EXPECT_TRUE(ZephlarkSerialOpen(device->AbsentPortName()));

    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_TRUE(log.Messages()[0].StartsWith("Serial port was already open ("))
        << log.Messages()[0];
    EXPECT_EQ(ZephlarkSerialSendLine("version"), 8);
    EXPECT_EQ(device->Received(8), "version\n");
}

TEST_F(SerialContract, ReadWithNothingWaitingWaitsBrieflyAndReturnsZero)
{
    uint8_t buffer[16];
    const auto start = steady_clock::now();

    EXPECT_EQ(ZephlarkSerialRead(buffer, sizeof buffer), 0);

    const auto waited = steady_clock::now() - start;
    EXPECT_GE(waited, kShortestEmptyRead);
    EXPECT_LT(waited, kLongestEmptyRead);
}

// The reader thread's buffer bounds a read, and the reader keeps pace with a chatty device only
// when one read takes everything that is waiting.
TEST_F(SerialContract, ReadsDeliverTheDeviceBytesUnchangedUpToTheirCount)
{
    const std::string sent = "~version:\r\nnot UTF-8 \xfe\xff\n";
    device->Send(sent);
    int reads = 0;

    EXPECT_EQ(PortDelivers(sent.size(), 4, reads), sent);
    EXPECT_LT(reads, static_cast<int>(sent.size()));
}

// The device obeys only a command that arrived byte for byte, line feed included.
TEST_F(SerialContract, WritesReachTheDeviceUnchanged)
{
    const std::string bytes = "a\r\n\xfe\xff";

    EXPECT_EQ(Write(bytes), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(Write(""), 0);
    EXPECT_EQ(ZephlarkSerialSendLine("echo off"), 9);

    EXPECT_EQ(device->Received(bytes.size() + 9), bytes + "echo off\n");
    EXPECT_TRUE(log.Messages().empty());
}

// A command cut short could still be one the device acts on.
TEST_F(SerialContract, LineTooLongToSendWholeIsNotSentAtAll)
{
    const std::string longest(kMaxSerialLineBytes, 'x');

    EXPECT_EQ(ZephlarkSerialSendLine(longest.c_str()), static_cast<int64_t>(longest.size() + 1));
    EXPECT_EQ(ZephlarkSerialSendLine((longest + "y").c_str()), 0);
    EXPECT_EQ(ZephlarkSerialSendLine("end"), 4);

    EXPECT_EQ(device->Received(longest.size() + 5), longest + "\nend\n");
}

TEST_F(SerialContract, ClosedPortFailsReadsAndWritesAndClosingTwiceIsHarmless)
{
    ZephlarkSerialClose();
    ZephlarkSerialClose();
    uint8_t byte = 0;
    errno = 0;

    EXPECT_FALSE(ZephlarkSerialIsOpen());
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_EQ(errno, EBADF); // not EAGAIN: the reader must not retry a closed port at once
    EXPECT_EQ(ZephlarkSerialSendLine("version"), -1);
    EXPECT_EQ(log.Messages(), std::vector<wxString>{"Serial write Failed: (0 != 8)"});
}

// Each failure is a line for support, naming the port; the caller's retry at once (a wait's next
// poll) adds none, or the log would flood.
TEST_F(SerialContract, PortThatIsNotThereDoesNotOpenAndSaysSoOnce)
{
    ZephlarkSerialClose();
    const wxString absent = device->AbsentPortName();

    EXPECT_FALSE(ZephlarkSerialOpen(absent));
    EXPECT_FALSE(ZephlarkSerialOpen(absent));
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    const auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages.front().StartsWith("Cannot open " + absent + ": ")) << messages.front();
}

// The program keeps a port open while discovery reports its name: the port of a device that left
// has to fail, or the program would go on talking to nothing.
TEST_F(SerialContract, PortOfADeviceThatLeftFailsReadsAndWrites)
{
    if (!device->HangUp())
        GTEST_SKIP() << "this platform's device end cannot leave";
    uint8_t byte = 0;

    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(ZephlarkSerialSendLine("version"), -1);
    EXPECT_TRUE(ZephlarkSerialIsOpen()); // until the caller, its reader parked, closes it
}

} // namespace
