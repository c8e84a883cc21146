// The data disk on Linux, through udisks2: the device's drive is found by its USB mass-storage
// identity, its volume by the drive's filesystem. A volume the desktop has not mounted is named by
// its device node and mounted through udisks2 only when the update asks for it (as Windows gives
// the volume a drive letter). No root is needed: polkit lets the active local user mount, eject
// and power off removable drives.
#include "DataDisk.h"

#include <wx/log.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "linux/UDisksClient.h"
#include "linux/UdevHandles.h"

namespace {

// The identity that Windows shows as "DiskOrvex___Zephlark": the SCSI inquiry vendor and product.
constexpr auto kDeviceVendor = "Orvex";
constexpr auto kDeviceModel = "Zephlark";
constexpr auto kDeviceConnectionBus = "usb";

struct DeviceVolume
{
    const UDisksDrive* drive;
    const UDisksFilesystem* filesystem;
};

// The inquiry data pads the vendor to 8 and the product to 16 characters with spaces. udisks2
// strips them, but not on every path from udev, so the comparison ignores trailing spaces;
// otherwise it is exact and case-sensitive, like the Windows match.
std::string WithoutTrailingSpaces(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

bool IsDeviceDrive(const UDisksDrive& drive)
{
    return WithoutTrailingSpaces(drive.vendor) == kDeviceVendor &&
           WithoutTrailingSpaces(drive.model) == kDeviceModel &&
           drive.connectionBus == kDeviceConnectionBus;
}

// Every filesystem of every device drive that udisks2 does not hide, drives and filesystems each in
// object-path order, so that with two devices plugged in the same one wins on every call.
std::vector<DeviceVolume> DeviceVolumes(const UDisksObjects& objects)
{
    std::vector<DeviceVolume> volumes;
    for (const auto& drive : objects.drives) {
        if (!IsDeviceDrive(drive))
            continue;
        for (const auto& filesystem : objects.filesystems) {
            if (filesystem.drivePath == drive.objectPath && !filesystem.hintIgnore)
                volumes.push_back({&drive, &filesystem});
        }
    }
    return volumes;
}

// "/media/user/ZEPHLARK/" and "/media/user/ZEPHLARK" name the same mount point.
std::string WithoutTrailingSlash(std::string path)
{
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// Paths are bytes to the kernel and to udisks2; wx converts them the way its own file calls do.
std::string FileSystemBytes(const wxString& path)
{
    const auto bytes = path.fn_str();
    return std::string(bytes.data(), bytes.length());
}

wxString FromFileSystemBytes(const std::string& path)
{
    return wxString(path.c_str(), *wxConvFileName);
}

// A refresh that mounted the volume would bring back one the user had just unmounted, or one
// being ejected before udisks2 has caught up, and could hold the GUI thread for a Mount's time-out:
// a volume that is not mounted is named by its device node until the update asks for it.
std::string PathOf(const UDisksFilesystem& filesystem)
{
    return filesystem.mountPoints.empty() ? filesystem.device : filesystem.mountPoints.front();
}

bool IsPathOf(const UDisksFilesystem& filesystem, const std::string& path)
{
    const auto wanted = WithoutTrailingSlash(path);
    return path == filesystem.device ||
           std::any_of(filesystem.mountPoints.begin(), filesystem.mountPoints.end(),
                       [&](const std::string& mountPoint) {
                           return WithoutTrailingSlash(mountPoint) == wanted;
                       });
}

// The volume of ours that path names: one of its mount points, or its device node.
std::optional<DeviceVolume> FindVolumeAt(const UDisksObjects& objects, const std::string& path)
{
    for (const auto& volume : DeviceVolumes(objects)) {
        if (IsPathOf(*volume.filesystem, path))
            return volume;
    }
    return std::nullopt;
}

// The sysfs name of the USB device ("1-2.3") that the block device node ("/dev/sdb1") sits on, read
// through libudev since udisks2 does not tell where a drive is plugged in; empty when not on USB.
wxString UsbLocationOf(const std::string& deviceNode)
{
    UdevHandle<udev> context{udev_new()};
    const std::string name = deviceNode.substr(deviceNode.find_last_of('/') + 1);
    UdevHandle<udev_device> block{
        context ? udev_device_new_from_subsystem_sysname(context.get(), "block", name.c_str())
                : nullptr};
    udev_device* usb =
        block ? udev_device_get_parent_with_subsystem_devtype(block.get(), "usb", "usb_device")
              : nullptr;
    return usb ? wxString::FromUTF8(udev_device_get_sysname(usb)) : wxString();
}

// Without udisks2 every refresh would fail the same way, so this is said once per process.
std::optional<UDisksClient> OpenUDisks(UDisksObjects& objects)
{
    static bool unavailableLogged = false;
    std::string error;
    auto client = UDisksClient::Open(objects, error);
    if (!client && !unavailableLogged) {
        unavailableLogged = true;
        wxLogMessage("Disk service udisks2 is not available (%s); the Zephlark data disk cannot be "
                     "found.",
                     wxString::FromUTF8(error));
    }
    return client;
}

// The desktop usually mounts the disk itself (possibly since the refresh that named its node); when
// it has not, udisks2 mounts it where the desktop would have. Mount's reply comes before the
// MountPoints change, so its path is the one to trust.
std::string MountPointOf(const UDisksClient& client, const UDisksFilesystem& filesystem)
{
    if (!filesystem.mountPoints.empty())
        return filesystem.mountPoints.front();
    std::string mountPath;
    std::string error;
    if (!client.Mount(filesystem, mountPath, error)) {
        wxLogMessage("Failed to mount %s: %s", FromFileSystemBytes(filesystem.device),
                     wxString::FromUTF8(error));
        return {};
    }
    return mountPath;
}

// Flushed first so that, should the unmount be refused, what was copied is on the medium anyway.
void FlushFilesystem(const wxString& path)
{
    const int fd = open(path.fn_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || syncfs(fd) != 0)
        wxLogMessage("Failed to flush %s before eject: %s", path, wxSysErrorMsgStr(errno));
    if (fd >= 0)
        close(fd);
}

// A drive that cannot stop its medium, or refuses to, is powered off instead; udisks2 allows that
// only once nothing on the drive is mounted any more.
bool EjectOrPowerOff(const UDisksClient& client, const UDisksDrive& drive, std::string& error)
{
    error = "the drive can be neither ejected nor powered off";
    if (drive.ejectable && client.Eject(drive, error))
        return true;
    return drive.canPowerOff && client.PowerOff(drive, error);
}

} // namespace

std::vector<ListedDisk> ListZephlarkDisks()
{
    UDisksObjects objects;
    if (!OpenUDisks(objects))
        return {};
    std::vector<ListedDisk> disks;
    for (const auto& volume : DeviceVolumes(objects)) {
        const auto& filesystem = *volume.filesystem;
        disks.push_back(
            {FromFileSystemBytes(PathOf(filesystem)),
             wxString::FromUTF8(filesystem.label),
             {wxString::FromUTF8(volume.drive->serial), UsbLocationOf(filesystem.device)}});
    }
    return disks;
}

wxString ZephlarkMountDisk(const wxString& path)
{
    UDisksObjects objects;
    const auto client = OpenUDisks(objects);
    const auto volume = client ? FindVolumeAt(objects, FileSystemBytes(path)) : std::nullopt;
    if (!volume) {
        wxLogMessage("Failed to mount %s: it is not a Zephlark data disk.", path);
        return {};
    }
    return FromFileSystemBytes(MountPointOf(*client, *volume->filesystem));
}

bool ZephlarkEjectDisk(wxString path)
{
    UDisksObjects objects;
    const auto client = OpenUDisks(objects);
    const auto volume = client ? FindVolumeAt(objects, FileSystemBytes(path)) : std::nullopt;
    if (!volume) {
        wxLogMessage("Failed to open device for for eject: %s", path);
        return true;
    }

    // A volume found by its device node may never have been mounted: nothing to flush or unmount.
    const auto& filesystem = *volume->filesystem;
    std::string error;
    if (!filesystem.mountPoints.empty()) {
        FlushFilesystem(FromFileSystemBytes(filesystem.mountPoints.front()));
        if (!client->Unmount(filesystem, error)) {
            wxLogMessage("Failed to dismount %s for eject.: %s", path, wxString::FromUTF8(error));
            return false;
        }
    }
    if (!EjectOrPowerOff(*client, *volume->drive, error)) {
        wxLogMessage("Failed to eject %s.: %s", path, wxString::FromUTF8(error));
        return false;
    }
    return true;
}
