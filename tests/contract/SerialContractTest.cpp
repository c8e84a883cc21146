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
// the reader thread; one that never returned would block it for good. Timers on a busy machine
// add some slack.
constexpr auto kShortestEmptyRead = 5ms;
constexpr auto kLongestEmptyRead = 250ms;

int64_t Write(SerialPort& port, const std::string& bytes)
{
    return ZephlarkSerialWrite(port, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
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
        ASSERT_TRUE(ZephlarkSerialOpen(port, device->PortName()));
        log.Clear();
    }

    // What the port delivers to reads of at most `chunk` bytes, until `count` bytes came or time
    // ran out; `reads` counts the reads that brought something.
    static std::string PortDelivers(SerialPort& port, size_t count, uint32_t chunk, int& reads)
    {
        std::string received;
        const auto deadline = steady_clock::now() + kPatience;
        while (received.size() < count && steady_clock::now() < deadline) {
            uint8_t buffer[256];
            const int64_t got = ZephlarkSerialRead(port, buffer, chunk);
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
    SerialPort port;
};

// The reader thread's buffer bounds a read, and the reader keeps pace with a chatty device only
// when one read takes everything that is waiting.
TEST_F(SerialContract, ReadsWaitBrieflyForNothingAndDeliverTheDeviceBytesUnchangedUpToTheirCount)
{
    uint8_t buffer[16];
    const auto start = steady_clock::now();
    EXPECT_EQ(ZephlarkSerialRead(port, buffer, sizeof buffer), 0);
    const auto waited = steady_clock::now() - start;
    EXPECT_GE(waited, kShortestEmptyRead);
    EXPECT_LT(waited, kLongestEmptyRead);

    const std::string sent = "~version:\r\nnot UTF-8 \xfe\xff\n";
    device->Send(sent);
    int reads = 0;
    EXPECT_EQ(PortDelivers(port, sent.size(), 4, reads), sent);
    EXPECT_LT(reads, static_cast<int>(sent.size()));
}

// The device obeys only a command that arrived byte for byte, line feed included: one cut short
// could still be one it acts on.
TEST_F(SerialContract, WritesReachTheDeviceUnchangedAndALineTooLongToSendWholeIsNotSentAtAll)
{
    const std::string bytes = "a\r\n\xfe\xff";
    const std::string longest(kMaxSerialLineBytes, 'x');

    EXPECT_EQ(Write(port, bytes), static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(Write(port, ""), 0);
    EXPECT_EQ(ZephlarkSerialSendLine(port, longest.c_str()),
              static_cast<int64_t>(longest.size() + 1));
    EXPECT_EQ(ZephlarkSerialSendLine(port, (longest + "y").c_str()), 0);
    EXPECT_EQ(ZephlarkSerialSendLine(port, "echo off"), 9);

    EXPECT_EQ(device->Received(bytes.size() + longest.size() + 10),
              bytes + longest + "\necho off\n");
    EXPECT_TRUE(log.Messages().empty());
}

// One process holds a port once: two readers would split the device's lines between them.
TEST_F(SerialContract, OpeningAgainKeepsTheOpenPortAndAnotherHandleIsRefusedUntilClosed)
{
    SerialPort second;

    EXPECT_TRUE(ZephlarkSerialOpen(port, device->AbsentPortName()));
    EXPECT_EQ(ZephlarkSerialSendLine(port, "version"), 8);
    EXPECT_EQ(device->Received(8), "version\n");
    EXPECT_FALSE(ZephlarkSerialOpen(second, device->PortName()));
    EXPECT_EQ(ZephlarkSerialLastOpenFailure(second), SerialOpenFailure::InUse);
    EXPECT_TRUE(ZephlarkSerialIsOpenHere(device->PortName()));
    ZephlarkSerialClose(port);
    EXPECT_FALSE(ZephlarkSerialIsOpenHere(device->PortName()));
    EXPECT_TRUE(ZephlarkSerialOpen(second, device->PortName()));
}

// A program holds a port per device: each carries its own device's bytes, both ways, and closing
// one leaves the other working.
TEST_F(SerialContract, TwoPortsOpenAtOnceEachReachOnlyTheirOwnDevice)
{
    const auto other = device->Another();
    if (!other)
        GTEST_SKIP() << "this platform's test end plays one device";
    SerialPort otherPort;
    ASSERT_TRUE(ZephlarkSerialOpen(otherPort, other->PortName()));
    int reads = 0;

    EXPECT_EQ(ZephlarkSerialSendLine(port, "first"), 6);
    EXPECT_EQ(ZephlarkSerialSendLine(otherPort, "second"), 7);
    other->Send("2\n");
    device->Send("1\n");
    EXPECT_EQ(device->Received(6), "first\n");
    EXPECT_EQ(other->Received(7), "second\n");
    EXPECT_EQ(PortDelivers(otherPort, 2, 16, reads), "2\n");
    EXPECT_EQ(PortDelivers(port, 2, 16, reads), "1\n");
    ZephlarkSerialClose(otherPort);
    EXPECT_EQ(ZephlarkSerialSendLine(port, "more"), 5);
    EXPECT_EQ(device->Received(5), "more\n");
}

// Each failure is a line for support, naming the port; the caller's retry at once (a wait's next
// poll) adds none, or the log would flood.
TEST_F(SerialContract, ClosedPortFailsReadsAndWritesAndAPortThatIsNotThereSaysSoOnce)
{
    ZephlarkSerialClose(port);
    ZephlarkSerialClose(port);
    uint8_t byte = 0;
    errno = 0;

    EXPECT_EQ(ZephlarkSerialRead(port, &byte, 1), -1);
    EXPECT_EQ(errno, EBADF); // not EAGAIN: the reader must not retry a closed port at once
    EXPECT_EQ(ZephlarkSerialSendLine(port, "version"), -1);
    EXPECT_EQ(log.Messages(), std::vector<wxString>{"Serial write Failed: (0 != 8)"});
    log.Clear();
    const wxString absent = device->AbsentPortName();
    EXPECT_FALSE(ZephlarkSerialOpen(port, absent));
    EXPECT_FALSE(ZephlarkSerialOpen(port, absent));
    EXPECT_FALSE(ZephlarkSerialIsOpen(port));
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

    EXPECT_EQ(ZephlarkSerialRead(port, &byte, 1), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(ZephlarkSerialSendLine(port, "version"), -1);
    EXPECT_TRUE(ZephlarkSerialIsOpen(port)); // until the caller, its reader parked, closes it
}

} // namespace
