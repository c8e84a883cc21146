#pragma once

// How the disk half of the Windows layer finds the device's disk: the system's number of the
// physical disk whose hardware id names the device. FindZephlarkDiskPath then looks for the
// removable volume on that same number.

#include <windows.h>

#include <setupapi.h>

// The number of the device's disk, 0 when there is none. A disk numbered 0 is the system disk on
// every Windows installation and is never taken for the device's.
DWORD FindZephlarkDiskNumber();

// The number of the first of the element's disk interfaces that yields a nonzero one, else 0.
DWORD GetDeviceNumberFromInterfaces(HDEVINFO& set, SP_DEVINFO_DATA& element);
