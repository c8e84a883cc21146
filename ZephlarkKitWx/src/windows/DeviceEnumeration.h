#pragma once

// The SetupAPI walk that serial and disk discovery share: a set of present devices, each element
// in the system's order, and its hardware-id list.

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <functional>
#include <string>

#include "windows/DiscoveryRules.h"
#include "windows/Win32Handles.h"

// The set, or null after logging "SetupDiGetClassDevs failed (%d)".
DeviceInfoSet GetPresentDevices(const GUID& classGuid, const wchar_t* enumerator, DWORD flags);

// Calls visit for each element in order until it returns true. The end of the list is quiet; any
// other failure of SetupDiEnumDeviceInfo is logged and ends the walk.
void ForEachDevice(HDEVINFO set, const std::function<bool(SP_DEVINFO_DATA&)>& visit);

// The element's hardware-id list (a REG_MULTI_SZ of at most 1024 bytes, as NamesZephlarkPort and
// NamesZephlarkDisk read it). A list that cannot be read, also one that is longer, is logged and
// comes back empty.
std::wstring HardwareIds(HDEVINFO set, SP_DEVINFO_DATA& element);

// The instance ids of the element and of its ancestors (CM_Get_Parent), the element first. The
// walk ends quietly at the root, and at an id that cannot be read (logged).
DeviceAncestry AncestryOf(const SP_DEVINFO_DATA& element);
