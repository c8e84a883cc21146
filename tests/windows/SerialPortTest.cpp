// The serial layer on wine's serial driver, against the simulated device that tests/windows/host
// serves behind the port named in ZEPHLARK_TEST_PORT.
#include "Serial.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <string>

#include <windows.h>

#include "LogCapture.h"
#include "PrintWxString.h"
#include "sim/SimDevice.h"

namespace {

using std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds{5};
// Windows returns a read with nothing waiting after the 10 ms first-byte wait; wine's timers add
// some slack on a busy machine, a missing time-out would block for good.
constexpr auto kEmptyReadLimit = std::chrono::milliseconds{250};
constexpr char kLineEnd[] = "\r\n";

wxString TestPort()
{
    const char* port = std::getenv("ZEPHLARK_TEST_PORT");
    return port ? port : "";
}

std::string VersionReport()
{
    const sim::VersionRecord v;
    return std::string("~version:") + kLineEnd + "target=" + v.target + kLineEnd +
           "boot_build=" + v.bootBuild + kLineEnd + "build=" + v.build + kLineEnd + "SDK=" + v.sdk +
           kLineEnd + "serial#=" + v.serialNumber + kLineEnd;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What the device sends until the text ends what came, read a byte at a time as the reader thread
// reads, or what came before time ran out.
std::string ReadUntilEndsWith(const std::string& text)
{
    std::string received;
    const auto deadline = steady_clock::now() + kPatience;
    while (!EndsWith(received, text) && steady_clock::now() < deadline) {
        uint8_t byte = 0;
        if (ZephlarkSerialRead(&byte, 1) == 1)
            received += static_cast<char>(byte);
    }
    return received;
}

// Reads until a read finds nothing waiting: the device has said all it had to say.
void Drain()
{
    uint8_t buffer[256];
    while (ZephlarkSerialRead(buffer, sizeof buffer) > 0) {
    }
}

int64_t Send(const std::string& bytes)
{
    return ZephlarkSerialWrite(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The open handle, as "Serial port was already open (%p)" reports it when opened again.
HANDLE HandleFromReopen(LogCapture& log)
{
    log.Clear();
    if (!ZephlarkSerialOpen(TestPort()))
        return INVALID_HANDLE_VALUE;
    const auto messages = log.Messages();
    const wxString prefix = "Serial port was already open (";
    wxString rest;
    if (messages.size() != 1 || !messages[0].StartsWith(prefix, &rest))
        return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(std::wcstoull(rest.wc_str(), nullptr, 16));
}

class WindowsSerialPort : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(TestPort().empty()) << "run through zephlark_wine_host, which sets the port";
        ASSERT_TRUE(ZephlarkSerialOpen(TestPort()));
        Drain();
        log.Clear();
    }

    void TearDown() override { ZephlarkSerialClose(); }

    LogCapture log;
};

TEST_F(WindowsSerialPort, OpenSetsTheSpeedAndTheTimeouts)
{
    const HANDLE handle = HandleFromReopen(log);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);

    DCB settings{};
    settings.DCBlength = sizeof settings;
    ASSERT_TRUE(GetCommState(handle, &settings));
    EXPECT_EQ(settings.BaudRate, DWORD{CBR_115200});
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(handle, &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, MAXDWORD);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 10u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 1u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 1500u);
}

TEST_F(WindowsSerialPort, OpeningAgainKeepsThePortAndSaysSo)
{
    const HANDLE handle = HandleFromReopen(log);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);

    // Another name changes nothing: the open port stays, and still talks to the device.
    EXPECT_TRUE(ZephlarkSerialOpen("COM1"));
    EXPECT_EQ(log.Messages().back(), wxString::Format("Serial port was already open (%p)", handle));
    EXPECT_TRUE(ZephlarkSerialIsOpen());
    EXPECT_EQ(ZephlarkSerialSendLine("version"), 8);
    EXPECT_TRUE(EndsWith(ReadUntilEndsWith(VersionReport()), VersionReport()));
}

TEST_F(WindowsSerialPort, ReadWithNothingWaitingReturnsNothingAfterTheShortWait)
{
    uint8_t buffer[16];
    const auto start = steady_clock::now();

    EXPECT_EQ(ZephlarkSerialRead(buffer, sizeof buffer), 0);
    EXPECT_LT(steady_clock::now() - start, kEmptyReadLimit);
}

TEST_F(WindowsSerialPort, LinesReachTheDeviceWhole)
{
    // The device obeys only a command that arrived byte for byte, line feed included.
    ASSERT_EQ(Send("echo off\n"), 9);
    Drain();
    EXPECT_EQ(ZephlarkSerialSendLine("version"), 8);
    EXPECT_EQ(ReadUntilEndsWith(VersionReport()), VersionReport());

    ASSERT_EQ(ZephlarkSerialSendLine("echo on"), 8);
    EXPECT_EQ(ZephlarkSerialSendLine("ping"), 5);
    const std::string echoed = std::string("ping") + kLineEnd;
    const std::string answer = echoed + "Unknown command: ping" + kLineEnd;
    EXPECT_EQ(ReadUntilEndsWith(answer), answer);
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(WindowsSerialPort, OneReadTakesEverythingWaiting)
{
    ASSERT_EQ(Send("echo off\n"), 9);
    Drain();
    ASSERT_EQ(ZephlarkSerialSendLine("version"), 8);
    const std::string report = VersionReport();
    std::string received;
    const auto deadline = steady_clock::now() + kPatience;
    int reads = 0;
    while (received.size() < report.size() && steady_clock::now() < deadline) {
        uint8_t buffer[1024];
        const int64_t count = ZephlarkSerialRead(buffer, sizeof buffer);
        ASSERT_GE(count, 0);
        received.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(count));
        reads += count > 0 ? 1 : 0;
    }

    EXPECT_EQ(received, report);
    EXPECT_LT(reads, static_cast<int>(report.size())); // not one byte per call
}

TEST_F(WindowsSerialPort, EmptyWriteWritesNothing)
{
    EXPECT_EQ(ZephlarkSerialWrite(reinterpret_cast<const uint8_t*>(""), 0), 0);
    EXPECT_TRUE(log.Messages().empty());
}

TEST(WindowsSerialPortClosed, CallsFailWithoutAPort)
{
    LogCapture log;
    ASSERT_TRUE(ZephlarkSerialOpen(TestPort()));
    ZephlarkSerialClose();
    ZephlarkSerialClose(); // harmless twice

    EXPECT_FALSE(ZephlarkSerialIsOpen());
    uint8_t byte = 0;
    errno = 0;
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_NE(errno, EAGAIN); // the reader must not retry a closed port at once
    EXPECT_EQ(Send("hello"), -1);
    EXPECT_EQ(log.Messages(), std::vector<wxString>{"Serial write Failed: (0 != 5)"});
}

TEST(WindowsSerialPortClosed, PortThatDoesNotExistDoesNotOpenAndIsNotLogged)
{
    LogCapture log;

    EXPECT_FALSE(ZephlarkSerialOpen("COM42"));
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    EXPECT_TRUE(log.Messages().empty());
}

} // namespace
