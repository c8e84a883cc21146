#pragma once

// What the Windows layer decides from what SetupAPI, the registry and the device tree report:
// which device is the Zephlark's, which port name may be opened, which volume an eject addresses
// and which USB device a disk or a port belongs to. Plain code without <windows.h>, so that every
// build tests it; the Win32 files read the values and act on the answers.

#include <wx/string.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "UsbIdentity.h"

// The Win32 values these rules read; the Win32 files check them against <windows.h>.
constexpr uint32_t kErrorNoMoreItems = 259; // ERROR_NO_MORE_ITEMS
constexpr uint32_t kRegistryText = 1;       // REG_SZ

// SetupAPI ends its lists with ERROR_NO_MORE_ITEMS, and some versions with no error at all: the
// quiet end of a walk. Any other error is worth a log line.
[[nodiscard]] bool IsEndOfList(uint32_t error);

// A hardware-id list as SetupAPI returns it (REG_MULTI_SZ: strings ended by a NUL, the list by an
// empty one). Only the first, most specific id counts; it must contain the fragment exactly, case
// included, as Windows writes USB and USBSTOR ids in upper case.
[[nodiscard]] bool NamesZephlarkPort(std::wstring_view hardwareIds);
[[nodiscard]] bool NamesZephlarkDisk(std::wstring_view hardwareIds);

// The port name from the device key's "PortName" value: the status of the registry query, the
// value's type and its characters (up to the first NUL). Empty, after logging why, unless the value
// is a COM port name.
[[nodiscard]] wxString PortNameFromRegistry(uint32_t status, uint32_t type,
                                            std::wstring_view value);

// The volume device path of a drive root: "\\.\E:" for "E:\" and for "E:".
[[nodiscard]] wxString VolumeDevicePath(const wxString& root);

// The device instance ids of a device node and of its ancestors (CM_Get_Parent), the node first:
// "USB\VID_7E21&PID_0C4A&MI_00\6&1A2B3C4D&0&0000", "USB\VID_7E21&PID_0C4A\ZL-000123", ...
using DeviceAncestry = std::vector<std::wstring>;

// The USB device a node belongs to: the first ancestor that is a whole USB device, not one of its
// interfaces (&MI_nn), in upper case; empty when the node is not on USB.
[[nodiscard]] std::wstring UsbDeviceInstance(const DeviceAncestry& ancestry);

// The identity of the USB device a node belongs to: its instance id as the location, and the serial
// number that Windows made it from, when the device reports one (a generated instance id contains
// "&" instead).
[[nodiscard]] UsbIdentity UsbIdentityOf(const DeviceAncestry& ancestry);
