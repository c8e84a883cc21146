#include <gtest/gtest.h>

#include <wx/file.h>
#include <wx/filename.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "DataDisk.h"
#include "LogCapture.h"
#include "Serial.h"
#include "SimPlatformFixture.h"
#include "sim/SimPlatform.h"

namespace {

using namespace std::chrono_literals;

// The program only opens what discovery reports, and keeps a port open while discovery reports
// its name: a dead handle has to fail, or the program would go on talking to nothing.
TEST_F(SimPlatformTest, PortOpensOnlyOnThePresentDeviceAndHangsUpWhenItGoes)
{
    LogCapture log;
    EXPECT_FALSE(ZephlarkSerialOpen("simACM0"));
    sim::Plug();
    EXPECT_FALSE(ZephlarkSerialOpen("simACM1"));
    // As on Windows: the caller simply tries again on its next refresh.
    EXPECT_TRUE(log.Messages().empty());
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    // As on the real platforms: the open port stays, and the log says so.
    EXPECT_TRUE(ZephlarkSerialOpen("elsewhere"));
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_TRUE(log.Messages()[0].StartsWith("Serial port was already open ("));

    sim::Unplug();
    uint8_t byte = 0;
    errno = 0;
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(ZephlarkSerialWrite(&byte, 1), -1);
    sim::Plug();
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_TRUE(ZephlarkSerialIsOpen());

    ZephlarkSerialClose();
    ZephlarkSerialClose();
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_EQ(errno, EBADF);
}

// The reader thread's buffer bounds a read, and its pace depends on a read that waits only
// briefly for a first byte.
TEST_F(SimPlatformTest, ReadTakesUpToItsCountAndWaitsBrieflyWhenNothingComes)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    sim::Emit("abc\xff\r\n");
    char buffer[4];
    uint8_t* bytes = reinterpret_cast<uint8_t*>(buffer);
    ASSERT_EQ(ZephlarkSerialRead(bytes, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "abc\xff");
    ASSERT_EQ(ZephlarkSerialRead(bytes, 4), 2);
    EXPECT_EQ(std::string(buffer, 2), "\r\n");

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ZephlarkSerialRead(bytes, 4), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 10ms);
    EXPECT_LT(waited, 500ms);
}

// A command cut short could still be one the device acts on.
TEST_F(SimPlatformTest, SendLineRefusesATextTooLongToSendWhole)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    const std::string longest(kMaxSerialLineBytes, 'x');
    EXPECT_EQ(ZephlarkSerialSendLine(longest.c_str()), static_cast<int64_t>(longest.size() + 1));
    EXPECT_EQ(ZephlarkSerialSendLine((longest + "y").c_str()), 0);
    EXPECT_EQ(sim::Written(), longest + "\n");
}

// The update benchmark counts on these delays; the workflow tests pass whatever they are.
TEST_F(SimPlatformTest, DiskAndSerialModeEachComeAfterTheirDelay)
{
    sim::Plug();
    sim::WithDevice([](sim::SimDevice& device) {
        device.Settings().diskDelay = 2s;
        device.Settings().ejectReturnDelay = 1s;
    });
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    ZephlarkSerialSendLine("datadisk");
    ZephlarkSerialClose();
    Advance(2s - 1ms);
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    Advance(1ms);
    const wxString path = FindZephlarkDiskPath();
    ASSERT_FALSE(path.empty());

    // As on the real platforms, an eject of anything but the disk is logged and counts as done.
    LogCapture log;
    EXPECT_TRUE(ZephlarkEjectDisk("/nowhere"));
    EXPECT_TRUE(log.Contains("Failed to open device for for eject: /nowhere"));
    EXPECT_EQ(FindZephlarkDiskPath(), path);

    EXPECT_TRUE(ZephlarkEjectDisk(path + "/")); // the same folder, written differently
    Advance(1s - 1ms);
    EXPECT_EQ(FindZephlarkSerialPort(), "");
    Advance(1ms);
    EXPECT_EQ(FindZephlarkSerialPort(), "simACM0");
}

// Every test starts from a reset: a copy left on the disk by one would pass the next one's checks.
TEST_F(SimPlatformTest, ResetEmptiesTheDiskFolder)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    ZephlarkSerialSendLine("datadisk");
    ZephlarkSerialClose();
    Advance(5s);
    const wxString path = FindZephlarkDiskPath();
    ASSERT_FALSE(path.empty());
    const wxString file = wxFileName(path, "update.zlos").GetFullPath();
    ASSERT_TRUE(wxFile().Create(file));

    sim::Reset();
    EXPECT_TRUE(wxFileName::DirExists(path));
    EXPECT_FALSE(wxFileName::FileExists(file));
}

} // namespace
