// The Windows layer's decisions, tested in every build: what SetupAPI, the registry, the device
// tree and the window messages may report, and what the layer makes of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogCapture.h"
#include "PrintWxString.h"
#include "windows/DeviceChangeNotice.h"
#include "windows/DiscoveryRules.h"

namespace {

using namespace std::string_literals; // lists with their NULs: L"a\0b\0\0"s

template <typename Case> std::string NameOf(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

struct HardwareIds
{
    const char* name;
    std::wstring list;
    bool port;
    bool disk;
};

using HardwareIdMatch = testing::TestWithParam<HardwareIds>;

TEST_P(HardwareIdMatch, FirstIdNamesTheDevice)
{
    EXPECT_EQ(NamesZephlarkPort(GetParam().list), GetParam().port);
    EXPECT_EQ(NamesZephlarkDisk(GetParam().list), GetParam().disk);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, HardwareIdMatch,
    testing::Values(
        // As Windows lists a composite device's serial function, the most specific id first.
        HardwareIds{"SerialFunction",
                    L"USB\\VID_7E21&PID_0C4A&REV_0100&MI_00\0USB\\VID_7E21&PID_0C4A&MI_00\0\0"s,
                    true, false},
        HardwareIds{"DataDisk",
                    L"USBSTOR\\DiskOrvex___Zephlark________1.00\0USBSTOR\\GenDisk\0GenDisk\0\0"s,
                    false, true},
        HardwareIds{"OtherPort", L"USB\\VID_2341&PID_0043&REV_0001\0USB\\VID_2341&PID_0043\0\0"s,
                    false, false},
        HardwareIds{"LowerCase", L"USB\\vid_7e21&pid_0c4a&rev_0100\0\0"s, false, false},
        HardwareIds{"PortInALaterId",
                    L"USB\\VID_2341&PID_0043&REV_0001\0USB\\VID_7E21&PID_0C4A&MI_00\0\0"s, false,
                    false},
        HardwareIds{"DiskInALaterId", L"USBSTOR\\DiskOther\0USBSTOR\\DiskOrvex___Zephlark\0\0"s,
                    false, false},
        HardwareIds{"Unreadable", L""s, false, false},
        // A list that fills the buffer has no NUL at its end.
        HardwareIds{"NoEnd", L"USB\\VID_7E21&PID_0C4A&MI_00"s, true, false}),
    NameOf<HardwareIds>);

struct PortNameValue
{
    const char* name;
    uint32_t status;
    uint32_t type;
    std::wstring value;
    wxString port;
    wxString message;
};

using PortNameFromRegistryValue = testing::TestWithParam<PortNameValue>;

TEST_P(PortNameFromRegistryValue, IsTheComPortNameOrLoggedAndEmpty)
{
    LogCapture log;

    EXPECT_EQ(PortNameFromRegistry(GetParam().status, GetParam().type, GetParam().value),
              GetParam().port);
    const auto logged = GetParam().message.empty() ? std::vector<wxString>{}
                                                   : std::vector<wxString>{GetParam().message};
    EXPECT_EQ(log.Messages(), logged);
}

constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kRegistryNumber = 4; // REG_DWORD

PortNameValue Refused(const char* name, const std::wstring& value)
{
    const wxString shown = value.c_str(); // up to its first NUL
    return {name,  0,  kRegistryText,
            value, "", "RegQueryValueEx \"PortName\" is no COM port name (" + shown + ")"};
}

INSTANTIATE_TEST_SUITE_P(
    Values, PortNameFromRegistryValue,
    testing::Values(PortNameValue{"Com7", 0, kRegistryText, L"COM7\0\0"s, "COM7", ""},
                    // A value that fills the buffer comes without its NUL.
                    PortNameValue{"Com4096Unended", 0, kRegistryText, L"COM4096"s, "COM4096", ""},
                    PortNameValue{"Missing", kFileNotFound, 0, L""s, "",
                                  "RegQueryValueEx \"PortName\" failed (2)"},
                    PortNameValue{"Number", 0, kRegistryNumber, L"\x07"s, "",
                                  "RegQueryValueEx \"PortName\" unexpected key type (4)"},
                    Refused("Empty", L"\0"s), Refused("Volume", L"C:\0"s),
                    Refused("Disk", L"PhysicalDrive0"s), Refused("ComThenPath", L"COM7\\..\\C:"s),
                    Refused("ComZero", L"COM0"s), Refused("FiveDigits", L"COM10000"s)),
    NameOf<PortNameValue>);

struct WindowMessage
{
    const char* name;
    uint32_t message;
    uintptr_t eventCode;
    bool refresh;
};

using DeviceChangeMessage = testing::TestWithParam<WindowMessage>;

TEST_P(DeviceChangeMessage, RefreshesOnArrivalAndCompletedRemovalOnly)
{
    EXPECT_EQ(CausesDeviceRefresh(GetParam().message, GetParam().eventCode), GetParam().refresh);
}

constexpr uint32_t kDeviceChange = 0x0219; // WM_DEVICECHANGE

INSTANTIATE_TEST_SUITE_P(
    Codes, DeviceChangeMessage,
    testing::Values(WindowMessage{"Arrival", kDeviceChange, 0x8000, true},
                    WindowMessage{"RemoveComplete", kDeviceChange, 0x8004, true},
                    WindowMessage{"QueryRemove", kDeviceChange, 0x8001, false},
                    WindowMessage{"RemovePending", kDeviceChange, 0x8003, false},
                    WindowMessage{"DevNodesChanged", kDeviceChange, 0x0007, false},
                    WindowMessage{"OtherMessage", 0x000F, 0x8000, false}),
    NameOf<WindowMessage>);

// The device tree as Windows builds it for a composite device: the serial function and the
// storage function are children of the USB device, whose instance id is its serial number.
const std::wstring kDevice = L"USB\\VID_7E21&PID_0C4A\\ZL-000123";
const std::wstring kRootHub = L"USB\\ROOT_HUB30\\4&1C3C2C0E&0&0";
const DeviceAncestry kPort = {L"USB\\VID_7E21&PID_0C4A&MI_00\\6&1A2B3C4D&0&0000", kDevice,
                              kRootHub};
const std::wstring kDisk = L"USBSTOR\\DISK&VEN_ORVEX&PROD_ZEPHLARK&REV_1.00\\ZL-000123&0";

struct DiskAndPort
{
    const char* name;
    DeviceAncestry port;
    DeviceAncestry disk;
    bool same;
};

using DiskToPort = testing::TestWithParam<DiskAndPort>;

TEST_P(DiskToPort, MatchByTheirUsbDevice)
{
    EXPECT_EQ(SameUsbDevice(GetParam().port, GetParam().disk), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, DiskToPort,
    testing::Values(
        DiskAndPort{"Composite",
                    kPort,
                    {kDisk, L"USB\\VID_7E21&PID_0C4A&MI_02\\6&1A2B3C4D&0&0002", kDevice, kRootHub},
                    true},
        DiskAndPort{"DiskRightUnderTheDevice", kPort, {kDisk, kDevice, kRootHub}, true},
        DiskAndPort{"IdsInOtherCase", kPort, {kDisk, L"usb\\Vid_7e21&Pid_0c4a\\zl-000123"}, true},
        DiskAndPort{"OtherSerialNumber",
                    kPort,
                    {kDisk, L"USB\\VID_7E21&PID_0C4A\\ZL-000124", kRootHub},
                    false},
        // Without a serial number Windows makes the instance id from the hub port.
        DiskAndPort{"OtherHubPort",
                    {L"USB\\VID_7E21&PID_0C4A&MI_00\\6&1&0&0000",
                     L"USB\\VID_7E21&PID_0C4A\\5&2A3B4C5D&0&1"},
                    {kDisk, L"USB\\VID_7E21&PID_0C4A\\5&2A3B4C5D&0&2"},
                    false},
        // A parent that could not be read ends the chain at the interface.
        DiskAndPort{"PortWithoutItsDevice", {kPort[0]}, {kDisk, kDevice}, false},
        DiskAndPort{"NeitherOnUsb",
                    {L"ACPI\\PNP0501\\1", L"ACPI\\PNP0A08\\0"},
                    {L"SCSI\\DISK&VEN_ATA\\4&1&0&0", L"PCI\\VEN_8086&DEV_A352\\3&1&0&B8"},
                    false}),
    NameOf<DiskAndPort>);

TEST(DeviceListEnd, IsNoMoreItemsOrNoErrorAtAll)
{
    EXPECT_TRUE(IsEndOfList(0));
    EXPECT_TRUE(IsEndOfList(kErrorNoMoreItems));
    EXPECT_FALSE(IsEndOfList(5)); // ERROR_ACCESS_DENIED
}

TEST(VolumeDevicePath, TakesTheDriveLetterOnly)
{
    EXPECT_EQ(VolumeDevicePath("E:\\"), "\\\\.\\E:");
    EXPECT_EQ(VolumeDevicePath("E:"), "\\\\.\\E:");
}

} // namespace
