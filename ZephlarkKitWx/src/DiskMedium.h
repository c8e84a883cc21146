#pragma once

// What lies under the POSIX disk file calls of linux/DiskFileIo.cpp. Each platform that uses those
// calls supplies these, with DiskFreeBytes: the Linux kernel's own volumes, or the simulator's data
// disk with its speed, its free space and its faults.

#include <wx/string.h>

#include <cstddef>

// After Write handed size bytes to the disk.
void DiskMediumWrote(size_t size);
// After Sync made the file at path durable.
void DiskMediumSynced(const wxString& path);
