#include <gtest/gtest.h>

#include <wx/file.h>
#include <wx/filename.h>

#include <chrono>
#include <functional>

#include "DataDisk.h"
#include "LogCapture.h"
#include "Serial.h"
#include "SimPlatformFixture.h"
#include "sim/SimPlatform.h"

namespace {

using namespace std::chrono_literals;

class SimDataDiskTest : public SimPlatformTest
{
protected:
    void SetUp() override
    {
        SimPlatformTest::SetUp();
        sim::Plug();
        sim::WithDevice([](sim::SimDevice& device) {
            device.Settings().diskDelay = 2s;
            device.Settings().ejectReturnDelay = 1s;
        });
    }

    static void EnterDataDisk()
    {
        ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
        ZephlarkSerialSendLine("datadisk");
        ZephlarkSerialClose();
    }

    static void Configure(const std::function<void(sim::DeviceSettings&)>& change)
    {
        sim::WithDevice([&change](sim::SimDevice& device) { change(device.Settings()); });
    }
};

TEST_F(SimDataDiskTest, DiskAppearsAfterItsDelayBackedByAnExistingFolder)
{
    EnterDataDisk();
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    Advance(2s - 1ms);
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    Advance(1ms);
    const wxString path = FindZephlarkDiskPath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(wxFileName::DirExists(path));
    EXPECT_EQ(GetZephlarkDiskLabel(), "ZEPHLARK");
    EXPECT_EQ(FindZephlarkSerialPort(), "");
}

TEST_F(SimDataDiskTest, EjectTakesTheDiskAwayAndSerialModeReturns)
{
    EnterDataDisk();
    Advance(2s);
    const wxString path = FindZephlarkDiskPath();
    LogCapture log;
    EXPECT_TRUE(ZephlarkEjectDisk(path + "/")); // the same folder, written differently
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    EXPECT_EQ(GetZephlarkDiskLabel(), "");
    EXPECT_EQ(FindZephlarkSerialPort(), "");
    Advance(1s);
    EXPECT_EQ(FindZephlarkSerialPort(), "simACM0");
}

TEST_F(SimDataDiskTest, EjectOfAnythingButTheDiskIsLoggedAndCountsAsDone)
{
    LogCapture log;
    EXPECT_TRUE(ZephlarkEjectDisk("/nowhere"));
    EnterDataDisk();
    Advance(2s);
    EXPECT_TRUE(ZephlarkEjectDisk("/nowhere"));
    EXPECT_EQ(log.Count("Failed to open device for for eject: /nowhere"), 2u);
    EXPECT_FALSE(FindZephlarkDiskPath().empty());
}

TEST_F(SimDataDiskTest, RefusedEjectFailsAndKeepsTheDisk)
{
    Configure([](sim::DeviceSettings& settings) { settings.diskRefusesEject = true; });
    EnterDataDisk();
    Advance(2s);
    const wxString path = FindZephlarkDiskPath();
    LogCapture log;
    EXPECT_FALSE(ZephlarkEjectDisk(path));
    EXPECT_TRUE(log.Contains(wxString::Format("Failed to lock %s for eject.", path)));
    EXPECT_EQ(FindZephlarkDiskPath(), path);
}

TEST_F(SimDataDiskTest, FaultyDisksShowAsTheyAre)
{
    Configure([](sim::DeviceSettings& settings) { settings.diskLabel = "zephlark"; });
    EnterDataDisk();
    Advance(2s);
    EXPECT_FALSE(FindZephlarkDiskPath().empty());
    EXPECT_EQ(GetZephlarkDiskLabel(), "zephlark");

    sim::Reset();
    sim::Plug();
    Configure([](sim::DeviceSettings& settings) { settings.diskNeverAppears = true; });
    EnterDataDisk();
    Advance(1h);
    EXPECT_EQ(FindZephlarkDiskPath(), "");
    EXPECT_EQ(GetZephlarkDiskLabel(), "");
    EXPECT_EQ(FindZephlarkSerialPort(), "");
}

TEST_F(SimDataDiskTest, ResetEmptiesTheDiskFolder)
{
    EnterDataDisk();
    Advance(2s);
    const wxString path = FindZephlarkDiskPath();
    const wxString file = wxFileName(path, "update.zlos").GetFullPath();
    ASSERT_TRUE(wxFile().Create(file));

    sim::Reset();
    EXPECT_TRUE(wxFileName::DirExists(path));
    EXPECT_FALSE(wxFileName::FileExists(file));
}

} // namespace
