#pragma once

// The disk half of the platform layer: the device's data disk (a mass-storage volume labelled
// "ZEPHLARK" that the device presents in its data-disk mode). One attempt per call, never a wait.

#include <wx/string.h>

#include <vector>

#include "UsbIdentity.h"

// Path of the device's data disk, or empty when none: the root of a mounted volume ("E:\",
// "/media/user/ZEPHLARK"). Never mounts: on Linux a volume the desktop has not mounted is named by
// its device node ("/dev/sdb1"); Windows and the simulation always have a root. Resets the last
// found volume label and sets it when the volume's label can be read.
wxString FindZephlarkDiskPath();

// Every data disk present, in the order FindZephlarkDiskPath takes the first of, each with its USB
// device's identity. Never mounts.
std::vector<ListedDisk> ListZephlarkDisks();

// The root of the data disk that FindZephlarkDiskPath reported as path, mounted if it was not:
// the only call that mounts. Empty (logged) when path names no data disk or it cannot be mounted.
wxString ZephlarkMountDisk(const wxString& path);

// The label that the last FindZephlarkDiskPath found, unchanged (empty when it found none).
wxString GetZephlarkDiskLabel();

// Flushes, unmounts and ejects the volume at path, as FindZephlarkDiskPath reported it (a volume
// that is not mounted is ejected as it is). False when the system refused (the volume stays
// mounted); true when it was ejected, and also when path names no volume of ours at all (logged as
// "Failed to open device for for eject: %s"), so that the caller simply refreshes.
bool ZephlarkEjectDisk(wxString path);
