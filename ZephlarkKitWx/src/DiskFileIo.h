#pragma once

// File calls for the device's data disk, which the device reads on its own once ejected: what is
// written must reach the medium, and what is read back must come from the medium, not from the
// system's cache. Each platform folder (linux/, sim/, windows/) implements them; CMake links one.
// Every failure is logged here with the path and the system's reason, which wxSysErrorCode()
// still gives the caller afterwards; nothing throws.

#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// Reads that bypass the cache go to the disk in whole sectors: DiskFile::Read wants a buffer
// aligned to this and a size that is a multiple of it (4096 covers every sector size).
constexpr size_t kDiskIoAlignmentBytes = 4096;

// An open file on the data disk, closed when destroyed.
class DiskFile
{
public:
    // Creates path for writing, replacing a file of that name. Not open on failure.
    static DiskFile Create(const wxString& path);
    // Opens path for reading what its medium holds, past the system's cache. Not open on failure.
    static DiskFile OpenUncached(const wxString& path);

    DiskFile(DiskFile&&) noexcept;
    DiskFile& operator=(DiskFile&&) = delete;
    ~DiskFile();

    bool IsOpen() const;
    // Appends all of data, sets it on its way to the disk and returns once the disk has taken
    // everything written before it: each call lasts about the disk's time for one call's bytes, so
    // a caller writing small pieces keeps control between them, where one flush at the end would
    // block for the whole file.
    bool Write(const void* data, size_t size);
    // Makes the written data and the file's size and allocation durable on the medium.
    bool Sync();
    // Reads size bytes into buffer (see kDiskIoAlignmentBytes); fewer only at the end of the
    // file. The count read, or -1.
    int64_t Read(void* buffer, size_t size);
    // Closes the file; false when the system reported a failure. Harmless when closed. Every other
    // call on a closed file fails.
    bool Close();

private:
    struct Handle; // the system's handle, as each platform keeps it
    DiskFile(std::unique_ptr<Handle> handle, const wxString& path);

    std::unique_ptr<Handle> handle;
    wxString path; // for the log
};

// Renames from to to on the same volume, replacing a file named to, and returns once the change is
// on the medium. The device sees either the old entry or the new one, never a part.
bool ReplaceDiskFile(const wxString& from, const wxString& to);

// Bytes the volume holding path can still take for this user, or -1 when unknown.
int64_t DiskFreeBytes(const wxString& path);
