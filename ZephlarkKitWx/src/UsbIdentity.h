#pragma once

// Which USB device a port or a data disk belongs to. A device is known by this, not by the name its
// port or disk happens to get: the names change with every re-enumeration (ttyACM0 -> ttyACM1, a
// new drive letter), and with several devices plugged in only the identity tells whose disk is
// whose.

#include <wx/string.h>

#include <vector>

struct UsbIdentity
{
    // The USB device's serial string; empty when the device reports none.
    wxString serialNumber;
    // Where it is plugged in: Linux: the USB device's sysfs name ("1-2.3"); Windows: the USB
    // device's instance id; the simulation: "sim-<n>".
    wxString location;
};

// The one rule for "same device": the serial numbers when both have one, else the locations. A
// serial number follows the device to another socket; a location is all a device without one has.
// Nothing is the same as an identity with neither.
[[nodiscard]] bool SameDevice(const UsbIdentity& a, const UsbIdentity& b);

// A data disk as discovery lists it.
struct ListedDisk
{
    wxString path; // as FindZephlarkDiskPath reports it
    wxString label;
    UsbIdentity identity;
};

// The device's own disk among those listed: matched by identity only, never by label or order;
// null when none is its.
[[nodiscard]] const ListedDisk* DiskOfDevice(const std::vector<ListedDisk>& disks,
                                             const UsbIdentity& device);
