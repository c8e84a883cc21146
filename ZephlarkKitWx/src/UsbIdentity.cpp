#include "UsbIdentity.h"

#include <algorithm>

bool SameDevice(const UsbIdentity& a, const UsbIdentity& b)
{
    if (!a.serialNumber.empty() && !b.serialNumber.empty())
        return a.serialNumber == b.serialNumber;
    return !a.location.empty() && a.location == b.location;
}

const ListedDisk* DiskOfDevice(const std::vector<ListedDisk>& disks, const UsbIdentity& device)
{
    const auto found = std::find_if(disks.begin(), disks.end(), [&](const ListedDisk& disk) {
        return SameDevice(disk.identity, device);
    });
    return found == disks.end() ? nullptr : &*found;
}
