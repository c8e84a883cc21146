#include <gtest/gtest.h>

#include <wx/filename.h>

#include <chrono>
#include <string>

#include "DataDisk.h"
#include "Serial.h"
#include "SimPlatformFixture.h"
#include "sim/SampleOsFile.h"
#include "sim/SimPlatform.h"

namespace {

using namespace std::chrono_literals;

// Shorter than the device's notice before a restart, so that a host reading this often reads
// every line before the port goes.
constexpr auto kHostStep = 250ms;

// A host driving the platform calls through an update on virtual time, with the device's default
// timings: the demo's device must let the real workflow succeed.
class SimInstallTest : public SimPlatformTest
{
protected:
    // Everything the device sends until it leaves serial mode; the port is closed afterwards.
    static std::string ReadUntilTheDeviceLeaves(MonotonicClock::Duration limit)
    {
        std::string received;
        for (auto waited = 0ms; waited < limit && !FindZephlarkSerialPort().empty();
             waited += kHostStep) {
            received += ReadAll();
            Advance(kHostStep);
        }
        ZephlarkSerialClose();
        return received;
    }

    // Opens the port once the device is back in serial mode, and turns its echo off.
    static bool ReconnectWithin(MonotonicClock::Duration limit)
    {
        for (auto waited = 0ms; waited < limit; waited += kHostStep) {
            const wxString port = FindZephlarkSerialPort();
            if (!port.empty() && ZephlarkSerialOpen(port))
                return ZephlarkSerialSendLine("echo off") > 0;
            Advance(kHostStep);
        }
        return false;
    }

    // Copies the OS file onto the disk the platform presents and ejects it; the device returns
    // to serial mode.
    static wxString PutOnDataDisk(const wxString& name, const wxString& version)
    {
        ZephlarkSerialSendLine("datadisk");
        ZephlarkSerialClose();
        wxString disk;
        for (auto waited = 0ms; disk.empty() && waited < 10s; waited += kHostStep) {
            Advance(kHostStep);
            disk = FindZephlarkDiskPath();
        }
        const wxString file = wxFileName(disk, name).GetFullPath();
        if (disk.empty() || !sim::WriteSampleOsFile(file, version) || !ZephlarkEjectDisk(disk))
            return {};
        return file;
    }
};

TEST_F(SimInstallTest, FileCopiedOntoThePresentedDiskIsInstalledThroughTwoRestarts)
{
    sim::Plug();
    ASSERT_TRUE(ReconnectWithin(kHostStep));
    const wxString copy = PutOnDataDisk("update.zlos", "2.0.0");
    ASSERT_FALSE(copy.empty());
    ASSERT_TRUE(ReconnectWithin(30s));

    ReadAll();
    ZephlarkSerialSendLine("fwup /update.zlos");
    const std::string unpacking = ReadUntilTheDeviceLeaves(90s);
    EXPECT_EQ(unpacking.rfind("fwup: Checking files\r\n", 0), 0u) << unpacking;
    const std::string ready = "\r\nfwup:Update ready, restarting\r\n";
    EXPECT_EQ(unpacking.substr(unpacking.size() - ready.size()), ready) << unpacking;

    ASSERT_TRUE(ReconnectWithin(30s));
    EXPECT_EQ(ReadUntilTheDeviceLeaves(120s), "echo off\r\nfwup: flash complete\r\n");

    ASSERT_TRUE(ReconnectWithin(30s));
    ReadAll();
    ZephlarkSerialSendLine("version");
    EXPECT_NE(ReadAll().find("\r\nSDK=2.0.0\r\n"), std::string::npos);
    // The copy stays where the host put it until the host removes it.
    EXPECT_TRUE(wxFileName::FileExists(copy));
}

} // namespace
