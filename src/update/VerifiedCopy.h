#pragma once

#include <wx/string.h>

#include <cstdint>
#include <functional>

#include "update/UpdateJournal.h"

// The update files: read whole and hashed at the check, copied onto the device's data disk and
// checked against that hash, removed again only when they are the update's own. diskRoot is the
// disk's root as the platform layer reports it; an empty or vanished root fails, so that nothing
// is ever written or removed anywhere else. Every failure is logged with its reason. These calls
// may take long on a slow disk: the update runs them on a thread of their own.

// Called after every chunk: done of total bytes of work. False asks the work to stop there.
using WorkProgress = std::function<bool(uint64_t done, uint64_t total)>;

enum class FileWorkStatus
{
    Done,
    Failed,  // the system refused (reason: its message, "Permission denied")
    Changed, // the bytes are not the ones checked (reason says which side)
    Stopped, // progress asked to stop
};

struct FileWorkResult
{
    FileWorkStatus status = FileWorkStatus::Done;
    wxString reason; // for the user, translated; empty when done
};

// Reads path whole into its size and SHA-256 (name is left empty). A folder fails with "it is a
// folder".
FileWorkResult ReadWholeFile(const wxString& path, UpdateJournalFile& file,
                             const WorkProgress& progress);

// The name a copy has on the disk until it is complete and checked.
wxString TemporaryCopyName(const wxString& name);

// Copies source to diskRoot/name, replacing a file of that name. The copy is written under its
// temporary name in chunks, synced, read back from the medium, and only renamed once what was
// read from source and what was read back both have the size and SHA-256 of expected (taken at
// the check): the device never finds a partial file under name, and a source that changed since
// its check is never installed. A failed copy leaves nothing behind. Each byte counts twice in the
// progress: written, then read back.
FileWorkResult CopyToDataDiskVerified(const wxString& source, const wxString& diskRoot,
                                      const UpdateJournalFile& expected,
                                      const WorkProgress& progress);

// Whether diskRoot/name exists, and if so whether it holds exactly file's bytes.
enum class DiskFilePresence
{
    Absent,
    Same,
    Different,
    Unreadable,
};
DiskFilePresence FindOnDisk(const wxString& diskRoot, const UpdateJournalFile& file);

// Removes what an update's copy of file may have left: its temporary copy, and the file itself
// when its size and SHA-256 are the journal's (or, for the earlier journal that has none, by its
// name). A file of that name with other contents is someone else's and stays. True when nothing
// of the update's own is left.
bool RemoveOwnCopy(const wxString& diskRoot, const UpdateJournalFile& file);

// Free bytes on the volume at diskRoot; -1 when unknown.
int64_t FreeBytesOnDisk(const wxString& diskRoot);
