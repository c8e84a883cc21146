#include "windows/DiscoveryRules.h"

#include <wx/log.h>

#include <algorithm>

namespace {

constexpr uint32_t kSuccess = 0;

// A composite device's serial function lists "USB\VID_7E21&PID_0C4A&REV_0100&MI_00" first.
constexpr std::wstring_view kPortHardwareId = L"VID_7E21&PID_0C4A";
// USB storage builds the disk's first hardware id from the SCSI inquiry data, vendor and product
// joined by underscores: "USBSTOR\DiskOrvex___Zephlark________1.00".
constexpr std::wstring_view kDiskHardwareId = L"DiskOrvex___Zephlark";

constexpr std::wstring_view kComPrefix = L"COM";
// The COM name arbiter hands out COM1 to COM4096.
constexpr size_t kMostComDigits = 4;

constexpr std::wstring_view kUsbEnumerator = L"USB\\";

std::wstring_view FirstString(std::wstring_view list)
{
    return list.substr(0, list.find(L'\0'));
}

bool FirstHardwareIdContains(std::wstring_view list, std::wstring_view fragment)
{
    return FirstString(list).find(fragment) != std::wstring_view::npos;
}

// Device instance ids and COM names are compared without regard to case, as Windows does; only
// ASCII letters occur in their fixed parts.
std::wstring Upper(std::wstring_view text)
{
    std::wstring upper(text);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return upper;
}

bool IsDecimalDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// The port is opened as "\\.\" followed by its name: any name but a COM port's would open another
// object of the device namespace ("\\.\C:" is a volume, "\\.\PhysicalDrive0" a disk).
bool IsComPortName(std::wstring_view name)
{
    if (name.size() <= kComPrefix.size() || Upper(name.substr(0, kComPrefix.size())) != kComPrefix)
        return false;
    const std::wstring_view number = name.substr(kComPrefix.size());
    return number.size() <= kMostComDigits && number.front() != L'0' &&
           std::all_of(number.begin(), number.end(), IsDecimalDigit);
}

// "USB\VID_7E21&PID_0C4A\ZL-000123", in upper case: a whole USB device. Not one of its interfaces
// ("USB\VID_7E21&PID_0C4A&MI_00\..."), which a composite device's driver makes its children, and
// not a hub of the computer ("USB\ROOT_HUB30\...").
bool IsUsbDevice(std::wstring_view id)
{
    if (id.substr(0, kUsbEnumerator.size()) != kUsbEnumerator)
        return false;
    const std::wstring_view rest = id.substr(kUsbEnumerator.size());
    const size_t instanceStart = rest.find(L'\\');
    if (instanceStart == std::wstring_view::npos)
        return false;
    const std::wstring_view device = rest.substr(0, instanceStart);
    return device.find(L"VID_") != std::wstring_view::npos &&
           device.find(L"&MI_") == std::wstring_view::npos;
}

} // namespace

bool IsEndOfList(uint32_t error)
{
    return error == kSuccess || error == kErrorNoMoreItems;
}

bool NamesZephlarkPort(std::wstring_view hardwareIds)
{
    return FirstHardwareIdContains(hardwareIds, kPortHardwareId);
}

bool NamesZephlarkDisk(std::wstring_view hardwareIds)
{
    return FirstHardwareIdContains(hardwareIds, kDiskHardwareId);
}

wxString PortNameFromRegistry(uint32_t status, uint32_t type, std::wstring_view value)
{
    if (status != kSuccess) {
        wxLogMessage("RegQueryValueEx \"PortName\" failed (%d)", static_cast<int>(status));
        return {};
    }
    if (type != kRegistryText) {
        wxLogMessage("RegQueryValueEx \"PortName\" unexpected key type (%d)",
                     static_cast<int>(type));
        return {};
    }
    const std::wstring_view name = FirstString(value);
    const wxString text(name.data(), name.size());
    if (!IsComPortName(name)) {
        wxLogMessage("RegQueryValueEx \"PortName\" is no COM port name (%s)", text);
        return {};
    }
    return text;
}

wxString VolumeDevicePath(const wxString& root)
{
    return "\\\\.\\" + root.Left(1) + ":";
}

std::wstring UsbDeviceInstance(const DeviceAncestry& ancestry)
{
    for (const std::wstring& id : ancestry) {
        std::wstring upper = Upper(id);
        if (IsUsbDevice(upper))
            return upper;
    }
    return {};
}

UsbIdentity UsbIdentityOf(const DeviceAncestry& ancestry)
{
    const std::wstring instance = UsbDeviceInstance(ancestry);
    const std::wstring last = instance.substr(instance.find_last_of(L'\\') + 1);
    const bool fromSerial = !instance.empty() && last.find(L'&') == std::wstring::npos;
    return {fromSerial ? wxString(last) : wxString(), wxString(instance)};
}
