#include "DataDisk.h"

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "PrintWxString.h"
#include "WineRegistry.h"
#include "windows/DiskNumber.h"

namespace {

// As USB storage registers the device's disk: the SCSI vendor and product padded with
// underscores, most specific first.
const wchar_t kDiskDevice[] = L"Disk&Ven_Orvex&Prod_Zephlark&Rev_1.00";
const std::vector<std::wstring> kDiskIds = {L"USBSTOR\\DiskOrvex___Zephlark________1.00",
                                            L"USBSTOR\\DiskOrvex___Zephlark________",
                                            L"USBSTOR\\DiskOrvex___",
                                            L"USBSTOR\\Orvex___Zephlark________1",
                                            L"USBSTOR\\GenDisk",
                                            L"GenDisk"};

// A drive letter that names no drive here, from the end of the alphabet where wine maps none.
wxString MissingDriveRoot()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'D'; --letter) {
        if (!(drives & (1u << (letter - 'A'))))
            return wxString::Format("%c:\\", letter);
    }
    return {};
}

TEST(WindowsDataDisk, NoDeviceDiskIsZeroEmptyAndQuiet)
{
    LogCapture log;

    EXPECT_EQ(FindZephlarkDiskNumber(), 0u);
    EXPECT_TRUE(FindZephlarkDiskPath().empty());
    EXPECT_TRUE(GetZephlarkDiskLabel().empty());
    EXPECT_TRUE(log.Messages().empty());
}

TEST(WindowsDataDisk, DeviceDiskWhoseInterfaceDoesNotOpenIsNoDiskAndQuiet)
{
    RegisteredDevices devices;
    ASSERT_TRUE(devices.AddDisk(kDiskDevice, L"0001", kDiskIds));
    LogCapture log;

    EXPECT_EQ(FindZephlarkDiskNumber(), 0u);
    EXPECT_TRUE(FindZephlarkDiskPath().empty());
    EXPECT_TRUE(log.Messages().empty());
}

TEST(WindowsDataDisk, EjectOfAMissingDriveIsLoggedAndCountsAsDone)
{
    const wxString root = MissingDriveRoot();
    ASSERT_FALSE(root.empty());
    const wxString volume = "\\\\.\\" + root.Left(2);
    LogCapture log;

    // Only the drive letter matters: "Q:\" and "Q:" name the same volume.
    EXPECT_TRUE(ZephlarkEjectDisk(root));
    EXPECT_TRUE(ZephlarkEjectDisk(root.Left(2)));
    const wxString message = "Failed to open device for for eject: " + volume;
    EXPECT_EQ(log.Messages(), (std::vector<wxString>{message, message}));
}

} // namespace
