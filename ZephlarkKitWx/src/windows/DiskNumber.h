#pragma once

// How the disk half of the Windows layer finds the device's disks: the system's number of each
// physical disk whose hardware id names the device. ListZephlarkDisks then looks for the removable
// volume on that same number.

#include <windows.h>

#include <setupapi.h>

// The number of the first of the element's disk interfaces that yields a nonzero one, else 0. A
// disk numbered 0 is the system disk on every Windows installation and is never taken for the
// device's.
DWORD GetDeviceNumberFromInterfaces(HDEVINFO& set, SP_DEVINFO_DATA& element);
