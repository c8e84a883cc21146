#pragma once

// The SetupAPI walk that serial and disk discovery share: a set of present devices, each element
// in the system's order, and the first string of its hardware-id list.

#include <windows.h>

#include <setupapi.h>

#include <functional>

#include "windows/Win32Handles.h"

// The set, or null after logging "SetupDiGetClassDevs failed (%d)".
DeviceInfoSet GetPresentDevices(const GUID& classGuid, const wchar_t* enumerator, DWORD flags);

// SetupAPI ends its lists with ERROR_NO_MORE_ITEMS, and some versions with no error at all.
bool IsEndOfList(DWORD error);

// Calls visit for each element in order until it returns true. The end of the list is quiet; any
// other failure of SetupDiEnumDeviceInfo is logged and ends the walk.
void ForEachDevice(HDEVINFO set, const std::function<bool(SP_DEVINFO_DATA&)>& visit);

// True when the first string of the element's hardware-id list contains fragment, compared
// case-sensitively. A list that cannot be read (also one longer than 1024 bytes) is logged and
// does not match.
bool FirstHardwareIdContains(HDEVINFO set, SP_DEVINFO_DATA& element, const wchar_t* fragment);
