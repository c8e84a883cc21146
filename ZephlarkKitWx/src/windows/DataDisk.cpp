// The disk half of the platform layer on Windows: the device's disk is found through SetupAPI by
// its hardware id, its volume by the drive letter whose storage device number is the disk's, and
// the volume is ejected with the storage controls that Explorer's "Eject" uses.
#include "DataDisk.h"

#include <wx/log.h>

#include <cwchar>
#include <optional>

#include <windows.h>

#include <winioctl.h>

#include "windows/DeviceEnumeration.h"
#include "windows/DiscoveryRules.h"
#include "windows/DiskNumber.h"
#include "windows/Win32Handles.h"

namespace {

// GUID_DEVINTERFACE_DISK.
constexpr GUID kDiskInterfaceClass = {
    0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

constexpr DWORD kInterfaceDetailBufferBytes = 2056;
constexpr DWORD kDriveListChars = 1024;
constexpr DWORD kVolumeLabelChars = MAX_PATH;

// Neither read nor write access: enough for the storage queries, and granted without
// administrator rights even for a disk that another program holds open.
FileHandle OpenForQuery(const wchar_t* path)
{
    return FileHandle{ValidOrNull(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr))};
}

// The same number for a physical disk and for every volume on it.
std::optional<DWORD> StorageDeviceNumber(HANDLE device)
{
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    if (!DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                         sizeof number, &returned, nullptr))
        return std::nullopt;
    return number.DeviceNumber;
}

bool VolumeIsOnDisk(const wchar_t* root, DWORD diskNumber)
{
    if (GetDriveTypeW(root) != DRIVE_REMOVABLE)
        return false;
    const FileHandle volume = OpenForQuery(VolumeDevicePath(root).wc_str());
    if (!volume)
        return false;
    const auto number = StorageDeviceNumber(volume.get());
    return number && *number == diskNumber;
}

// The root of the removable drive whose volume lies on the disk, or empty.
wxString FindRootOnDisk(DWORD diskNumber)
{
    wchar_t roots[kDriveListChars] = {};
    const DWORD length = GetLogicalDriveStringsW(kDriveListChars, roots);
    if (length == 0 || length >= kDriveListChars) {
        wxLogMessage("GetLogicalDriveStrings failed (%d) (required size %d)",
                     static_cast<int>(GetLastError()), static_cast<int>(length));
        return {};
    }
    // "C:\", "E:\", each ended by a NUL, the list by an empty string.
    for (const wchar_t* root = roots; *root != L'\0'; root += std::wcslen(root) + 1) {
        if (diskNumber != 0 && VolumeIsOnDisk(root, diskNumber))
            return root;
    }
    return {};
}

wxString ReadVolumeLabel(const wxString& root)
{
    wchar_t label[kVolumeLabelChars] = {};
    DWORD maximumComponentLength = 0;
    DWORD fileSystemFlags = 0;
    if (!GetVolumeInformationW(root.wc_str(), label, kVolumeLabelChars, nullptr,
                               &maximumComponentLength, &fileSystemFlags, nullptr, 0))
        return {};
    return label;
}

// The storage controls that take no buffers either way.
bool SendControl(HANDLE volume, DWORD code)
{
    DWORD returned = 0;
    return DeviceIoControl(volume, code, nullptr, 0, nullptr, 0, &returned, nullptr) != FALSE;
}

} // namespace

static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32, "as 64-bit Windows lays it out");
// The fixed part of the detail record on 64-bit Windows; SetupAPI checks cbSize against it.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 8, "as 64-bit Windows lays it out");

DWORD GetDeviceNumberFromInterfaces(HDEVINFO& set, SP_DEVINFO_DATA& element)
{
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof interfaceData;
        if (!SetupDiEnumDeviceInterfaces(set, &element, &kDiskInterfaceClass, index,
                                         &interfaceData)) {
            const DWORD error = GetLastError();
            if (!IsEndOfList(error))
                wxLogMessage("SetupDiEnumDeviceInterfaces failed (%d)", static_cast<int>(error));
            return 0;
        }
        alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_W) BYTE buffer[kInterfaceDetailBufferBytes] = {};
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer);
        detail->cbSize = sizeof *detail;
        DWORD requiredSize = 0;
        if (!SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, sizeof buffer,
                                              &requiredSize, nullptr)) {
            wxLogMessage("SetupDiGetDeviceInterfaceDetail failed (%d) (required size=%d)",
                         static_cast<int>(GetLastError()), static_cast<int>(requiredSize));
            continue;
        }
        const FileHandle disk = OpenForQuery(detail->DevicePath);
        if (!disk)
            continue;
        const DWORD number = StorageDeviceNumber(disk.get()).value_or(0);
        if (number != 0)
            return number;
    }
}

std::vector<ListedDisk> ListZephlarkDisks()
{
    const DeviceInfoSet devices =
        GetPresentDevices(kDiskInterfaceClass, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (!devices)
        return {};
    HDEVINFO set = devices.get();
    std::vector<ListedDisk> disks;
    ForEachDevice(set, [&](SP_DEVINFO_DATA& element) {
        if (!NamesZephlarkDisk(HardwareIds(set, element)))
            return false;
        const wxString root = FindRootOnDisk(GetDeviceNumberFromInterfaces(set, element));
        if (!root.empty())
            disks.push_back({root, ReadVolumeLabel(root), UsbIdentityOf(AncestryOf(element))});
        return false;
    });
    return disks;
}

wxString ZephlarkMountDisk(const wxString& path)
{
    // Windows gives the volume a drive letter by itself.
    return path;
}

bool ZephlarkEjectDisk(wxString path)
{
    const wxString volumePath = VolumeDevicePath(path);
    const FileHandle volume{ValidOrNull(
        CreateFileW(volumePath.wc_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr))};
    if (!volume) {
        // Nothing of ours is there any more: the caller refreshes as after an eject.
        wxLogMessage("Failed to open device for for eject: %s", volumePath);
        return true;
    }
    // The lock fails while any program has a file open on the volume; it also makes the file
    // system write out what it still holds, so the dismount that follows loses nothing.
    if (!SendControl(volume.get(), FSCTL_LOCK_VOLUME)) {
        wxLogMessage("Failed to lock %s for eject.", path);
        return false;
    }
    if (!SendControl(volume.get(), FSCTL_DISMOUNT_VOLUME)) {
        wxLogMessage("Failed to dismount %s for eject.", path);
        return false;
    }
    if (!SendControl(volume.get(), IOCTL_STORAGE_EJECT_MEDIA)) {
        wxLogMessage("Failed to eject %s.", path);
        return false;
    }
    return true; // closing the handle releases the lock
}
