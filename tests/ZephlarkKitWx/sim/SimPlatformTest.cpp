// The simulated platform: the shared serial contract (tests/contract) against the in-process model,
// and what only the simulation has to keep true for the tests that run on it.

#include <gtest/gtest.h>

#include <wx/file.h>
#include <wx/filename.h>

#include <chrono>
#include <string>

#include "DataDisk.h"
#include "LogCapture.h"
#include "Serial.h"
#include "SerialDeviceEnd.h"
#include "SimPlatformFixture.h"
#include "sim/SimPlatform.h"

namespace {

using namespace std::chrono_literals;

class SimModelEnd : public SerialDeviceEnd
{
public:
    SimModelEnd()
    {
        sim::Reset();
        sim::Plug();
    }
    ~SimModelEnd() override { sim::Reset(); }

    wxString PortName() override { return FindZephlarkSerialPort(); }
    wxString AbsentPortName() override { return "simACM1"; }
    void Send(const std::string& bytes) override { sim::Emit(bytes); }
    std::string Received(size_t) override { return sim::Written(); }
    bool HangUp() override
    {
        sim::Unplug();
        return true;
    }
};

// Linux gives a device that comes back a new tty; the handle on the old one stays dead. Were the
// simulation kinder, the tests on it would pass code that keeps a dead port.
TEST_F(SimPlatformTest, PortStaysHungUpWhenTheDeviceComesBack)
{
    sim::Plug();
    ASSERT_TRUE(ZephlarkSerialOpen("simACM0"));
    sim::Unplug();
    sim::Plug();
    uint8_t byte = 0;

    EXPECT_EQ(ZephlarkSerialRead(&byte, 1), -1);
    EXPECT_TRUE(ZephlarkSerialIsOpen());
    ZephlarkSerialClose();
}

class SimDataDisk : public SimPlatformTest
{
protected:
    wxString PresentDisk()
    {
        sim::Plug();
        EXPECT_TRUE(ZephlarkSerialOpen("simACM0"));
        ZephlarkSerialSendLine("datadisk");
        ZephlarkSerialClose();
        Advance(5s);
        return FindZephlarkDiskPath();
    }
};

// As on the real platforms.
TEST_F(SimDataDisk, EjectOfAnythingButTheDiskIsLoggedAndCountsAsDone)
{
    const wxString path = PresentDisk();
    ASSERT_FALSE(path.empty());
    LogCapture log;

    EXPECT_TRUE(ZephlarkEjectDisk("/nowhere"));
    EXPECT_TRUE(log.Contains("Failed to open device for for eject: /nowhere"));
    EXPECT_EQ(FindZephlarkDiskPath(), path);

    EXPECT_TRUE(ZephlarkEjectDisk(path + "/")); // the same folder, written differently
    EXPECT_EQ(FindZephlarkDiskPath(), "");
}

// Every test starts from a reset: a copy left on the disk by one would pass the next one's checks.
TEST_F(SimDataDisk, ResetEmptiesTheDiskFolder)
{
    const wxString path = PresentDisk();
    ASSERT_FALSE(path.empty());
    const wxString file = wxFileName(path, "update.zlos").GetFullPath();
    ASSERT_TRUE(wxFile().Create(file));

    sim::Reset();

    EXPECT_TRUE(wxFileName::DirExists(path));
    EXPECT_FALSE(wxFileName::FileExists(file));
}

} // namespace

std::unique_ptr<SerialDeviceEnd> MakeSerialDeviceEnd(std::string&)
{
    return std::make_unique<SimModelEnd>();
}
