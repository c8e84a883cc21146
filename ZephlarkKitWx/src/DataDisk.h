#pragma once

// The disk half of the platform layer: the device's data disk (a mass-storage volume labelled
// "ZEPHLARK" that the device presents in its data-disk mode). One attempt per call, never a wait.

#include <wx/string.h>

// Root path of the device's mounted data disk ("E:\", "/media/user/ZEPHLARK"), or empty when none.
// Resets the last found volume label and sets it when the volume's label can be read.
wxString FindZephlarkDiskPath();

// The root of the data disk that FindZephlarkDiskPath reported as path, mounted if it was not:
// the only call that mounts. Empty (logged) when it cannot be mounted.
wxString ZephlarkMountDisk(const wxString& path);

// The label that the last FindZephlarkDiskPath found, unchanged (empty when it found none).
wxString GetZephlarkDiskLabel();

// Flushes, unmounts and ejects the volume at path. False when the system refused (the volume stays
// mounted); true when it was ejected, and also when path names no volume of ours at all (logged as
// "Failed to open device for for eject: %s"), so that the caller simply refreshes.
bool ZephlarkEjectDisk(wxString path);
