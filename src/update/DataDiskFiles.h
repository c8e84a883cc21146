#pragma once

#include <wx/string.h>

// The update files on the device's data disk. diskRoot is the disk's root as the platform layer
// reports it; an empty or vanished root fails, so that nothing is ever written or removed
// anywhere else.

// Copies source to diskRoot/name, overwriting. True only when the copy is on the medium whole:
// flushed and synced, with the source's size. A failed copy leaves no partial file behind.
bool CopyToDataDisk(const wxString& source, const wxString& diskRoot, const wxString& name);

// Removes diskRoot/name.
bool RemoveFromDataDisk(const wxString& diskRoot, const wxString& name);
