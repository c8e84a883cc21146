#pragma once

#include <wx/string.h>

#include <cstdint>
#include <functional>

// The update files on the device's data disk. diskRoot is the disk's root as the platform layer
// reports it; an empty or vanished root fails, so that nothing is ever written or removed
// anywhere else. Every failure is logged with its reason.

// Called after every chunk of a copy: done of total bytes of work, where each byte counts twice
// (written, then read back). The caller keeps its window responsive there.
using CopyProgress = std::function<void(uint64_t done, uint64_t total)>;

// Copies source to diskRoot/name, replacing a file of that name. The copy is written under a
// temporary name in chunks, synced, read back from the medium and compared with the source, and
// only then renamed: the device never finds a partial file under name, and a source that is the
// target itself stays whole. A failed copy leaves nothing behind. progress must be callable.
bool CopyToDataDiskVerified(const wxString& source, const wxString& diskRoot, const wxString& name,
                            const CopyProgress& progress);

// Removes diskRoot/name.
bool RemoveFromDataDisk(const wxString& diskRoot, const wxString& name);

// Free bytes on the volume at diskRoot; -1 when unknown.
int64_t FreeBytesOnDisk(const wxString& diskRoot);

// Removes what a copy of name may have left on the disk: the file and a partial copy of it (the
// program died while it copied). True when neither is there any more.
bool RemoveLeftoverCopy(const wxString& diskRoot, const wxString& name);
