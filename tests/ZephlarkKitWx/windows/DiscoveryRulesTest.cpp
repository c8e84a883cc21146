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

TEST(HardwareIdMatch, FirstIdNamesTheDevice)
{
    // As Windows lists a composite device's functions, the most specific id first.
    const std::wstring port =
        L"USB\\VID_7E21&PID_0C4A&REV_0100&MI_00\0USB\\VID_7E21&PID_0C4A&MI_00\0\0"s;
    const std::wstring disk =
        L"USBSTOR\\DiskOrvex___Zephlark________1.00\0USBSTOR\\GenDisk\0GenDisk\0\0"s;
    EXPECT_TRUE(NamesZephlarkPort(port));
    EXPECT_FALSE(NamesZephlarkDisk(port));
    EXPECT_TRUE(NamesZephlarkDisk(disk));
    EXPECT_FALSE(
        NamesZephlarkPort(L"USB\\VID_2341&PID_0043&REV_0001\0USB\\VID_7E21&PID_0C4A&MI_00\0\0"s));
    // A list that fills the buffer has no NUL at its end.
    EXPECT_TRUE(NamesZephlarkPort(L"USB\\VID_7E21&PID_0C4A&MI_00"s));
}

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
                    Refused("PrinterPort", L"LPT1\0"s), Refused("Volume", L"C:\0"s),
                    Refused("ComThenPath", L"COM7\\..\\C:"s), Refused("ComZero", L"COM0"s),
                    Refused("FiveDigits", L"COM10000"s)),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceChangeMessage, RefreshesOnArrivalAndCompletedRemovalOnly)
{
    constexpr uint32_t kDeviceChange = 0x0219;                // WM_DEVICECHANGE
    EXPECT_TRUE(CausesDeviceRefresh(kDeviceChange, 0x8000));  // DBT_DEVICEARRIVAL
    EXPECT_TRUE(CausesDeviceRefresh(kDeviceChange, 0x8004));  // DBT_DEVICEREMOVECOMPLETE
    EXPECT_FALSE(CausesDeviceRefresh(kDeviceChange, 0x8001)); // DBT_DEVICEQUERYREMOVE
    EXPECT_FALSE(CausesDeviceRefresh(0x000F, 0x8000));        // WM_PAINT
}

// The device tree as Windows builds it for a composite device: the serial function and the
// storage function are children of the USB device, whose instance id is its serial number.
const std::wstring kDevice = L"USB\\VID_7E21&PID_0C4A\\ZL-000123";
const std::wstring kRootHub = L"USB\\ROOT_HUB30\\4&1C3C2C0E&0&0";
const DeviceAncestry kPort = {L"USB\\VID_7E21&PID_0C4A&MI_00\\6&1A2B3C4D&0&0000", kDevice,
                              kRootHub};
const std::wstring kDisk = L"USBSTOR\\DISK&VEN_ORVEX&PROD_ZEPHLARK&REV_1.00\\ZL-000123&0";

// As discovery and the connection match them: each by the identity of its USB device, never by
// label or order.
bool SameUsbDevice(const DeviceAncestry& port, const DeviceAncestry& disk)
{
    return SameDevice(UsbIdentityOf(port), UsbIdentityOf(disk));
}

TEST(DiskToPort, MatchByTheirUsbDevice)
{
    // The disk below the device's storage function, and the same ids in other case.
    EXPECT_TRUE(SameUsbDevice(
        kPort, {kDisk, L"USB\\VID_7E21&PID_0C4A&MI_02\\6&1A2B3C4D&0&0002", kDevice, kRootHub}));
    EXPECT_TRUE(SameUsbDevice(kPort, {kDisk, L"usb\\Vid_7e21&Pid_0c4a\\zl-000123"}));
    // Two devices: another serial number, or without one, another place.
    EXPECT_FALSE(SameUsbDevice(kPort, {kDisk, L"USB\\VID_7E21&PID_0C4A\\ZL-000124", kRootHub}));
    const std::wstring unnamed = L"USB\\VID_7E21&PID_0C4A\\5&2B3C4D5E&0&2";
    EXPECT_TRUE(SameUsbDevice({unnamed, kRootHub}, {kDisk, unnamed, kRootHub}));
    EXPECT_FALSE(SameUsbDevice({unnamed, kRootHub},
                               {kDisk, L"USB\\VID_7E21&PID_0C4A\\5&2B3C4D5E&0&3", kRootHub}));
    // Neither on USB: two empty device ids are no match.
    EXPECT_FALSE(
        SameUsbDevice({L"ACPI\\PNP0501\\1", L"ACPI\\PNP0A08\\0"},
                      {L"SCSI\\DISK&VEN_ATA\\4&1&0&0", L"PCI\\VEN_8086&DEV_A352\\3&1&0&B8"}));
}

TEST(UsbIdentityOf, SerialNumberOnlyWhereTheInstanceIdIsMadeOfIt)
{
    const UsbIdentity withSerial = UsbIdentityOf(kPort);

    EXPECT_EQ(withSerial.serialNumber, "ZL-000123");
    EXPECT_EQ(withSerial.location, kDevice);
    EXPECT_EQ(UsbIdentityOf({L"USB\\VID_7E21&PID_0C4A\\5&2B3C4D5E&0&2"}).serialNumber, "");
    EXPECT_EQ(UsbIdentityOf({L"ACPI\\PNP0501\\1"}).location, "");
}

} // namespace
