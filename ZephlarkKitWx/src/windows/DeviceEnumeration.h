#pragma once

// The SetupAPI walk that serial and disk discovery share: a set of present devices, each element
// in the system's order, and its hardware-id list.

#include <windows.h>

#include <setupapi.h>

#include <functional>
#include <string>

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
