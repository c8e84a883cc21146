#include "update/VerifiedCopy.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <memory>

#include "DiskFileIo.h"
#include "Sha256.h"

namespace {

// About 65 ms at 1 MB/s, the slowest data disks: a stop is noticed within one chunk.
constexpr size_t kChunkBytes = 64 * 1024;
static_assert(kChunkBytes % kDiskIoAlignmentBytes == 0, "uncached reads go in whole sectors");

// Not an OS file's name, so the device's install never takes a partial copy for one.
constexpr char kTemporarySuffix[] = ".part";

struct alignas(kDiskIoAlignmentBytes) Chunk
{
    char bytes[kChunkBytes];
};

// Counts the bytes of a piece of work for its progress callback.
class WorkCount
{
public:
    WorkCount(const WorkProgress& progress, uint64_t total) : progress(progress), total(total) {}
    [[nodiscard]] bool Add(size_t bytes) { return progress(done += bytes, total); }

private:
    const WorkProgress& progress;
    const uint64_t total;
    uint64_t done = 0;
};

FileWorkResult Result(FileWorkStatus status, const wxString& reason = wxString())
{
    return {status, reason};
}

// The system's reason for the call that just failed.
FileWorkResult SystemFailure()
{
    return Result(FileWorkStatus::Failed, wxSysErrorMsgStr(wxSysErrorCode()));
}

FileWorkResult Stopped()
{
    return Result(FileWorkStatus::Stopped);
}

// Reads to the end a chunk at a time, hashing and counting what it reads; each chunk is handed to
// use first (a copy writes it), so a failed use ends the work with the system's reason.
template <typename Read, typename Use>
FileWorkResult HashToTheEnd(Read read, Use use, WorkCount& work, UpdateJournalFile& file)
{
    const auto chunk = std::make_unique<Chunk>();
    Sha256 sha;
    uint64_t size = 0;
    for (;;) {
        const int64_t count = read(chunk->bytes, kChunkBytes);
        if (count < 0)
            return SystemFailure();
        if (count == 0)
            break;
        const auto bytes = static_cast<size_t>(count);
        if (!use(chunk->bytes, bytes))
            return SystemFailure();
        sha.Add(chunk->bytes, bytes);
        size += bytes;
        if (!work.Add(bytes))
            return Stopped();
    }
    file.size = size;
    file.sha256 = Sha256::Hex(sha.Finish());
    return Result(FileWorkStatus::Done);
}

// wxFile's reads, as the counts HashToTheEnd takes (wxInvalidOffset is -1).
auto ReadsOf(wxFile& file)
{
    return
        [&file](char* bytes, size_t size) { return static_cast<int64_t>(file.Read(bytes, size)); };
}

bool KeepAsRead(const char*, size_t)
{
    return true;
}

bool IsUsableRoot(const wxString& diskRoot)
{
    return !diskRoot.empty() && wxDirExists(diskRoot);
}

wxString PathOnDisk(const wxString& diskRoot, const wxString& name)
{
    return diskRoot + wxFileName::GetPathSeparator() + name;
}

bool Matches(const UpdateJournalFile& found, const UpdateJournalFile& expected)
{
    return found.size == expected.size && found.sha256 == expected.sha256;
}

// Opens path for reading; the system's reason when it cannot.
FileWorkResult OpenForReading(const wxString& path, wxFile& file)
{
    if (wxDirExists(path))
        return Result(FileWorkStatus::Failed, _("it is a folder"));
    const wxLogNull quiet; // the reason goes to the caller, who logs it with its context
    if (!file.Open(path))
        return SystemFailure();
    return Result(FileWorkStatus::Done);
}

FileWorkResult WriteCopy(wxFile& source, const wxString& copyPath, WorkCount& work,
                         UpdateJournalFile& written)
{
    DiskFile copy = DiskFile::Create(copyPath);
    if (!copy.IsOpen())
        return SystemFailure();
    const auto writeOnCopy = [&copy](const char* bytes, size_t size) {
        return copy.Write(bytes, size);
    };
    if (FileWorkResult result = HashToTheEnd(ReadsOf(source), writeOnCopy, work, written);
        result.status != FileWorkStatus::Done)
        return result;
    if (!copy.Sync() || !copy.Close())
        return SystemFailure();
    return Result(FileWorkStatus::Done);
}

// Reads the copy back from its medium, past the system's cache.
FileWorkResult ReadBack(const wxString& copyPath, WorkCount& work, UpdateJournalFile& found)
{
    DiskFile copy = DiskFile::OpenUncached(copyPath);
    if (!copy.IsOpen())
        return SystemFailure();
    const auto readCopy = [&copy](char* bytes, size_t size) { return copy.Read(bytes, size); };
    return HashToTheEnd(readCopy, KeepAsRead, work, found);
}

FileWorkResult PutCheckedCopy(const wxString& sourcePath, const wxString& copyPath,
                              const UpdateJournalFile& expected, const WorkProgress& progress)
{
    wxFile source;
    if (FileWorkResult opened = OpenForReading(sourcePath, source);
        opened.status != FileWorkStatus::Done)
        return opened;
    WorkCount work(progress, 2 * expected.size.value_or(0));
    UpdateJournalFile written;
    if (FileWorkResult result = WriteCopy(source, copyPath, work, written);
        result.status != FileWorkStatus::Done)
        return result;
    if (!Matches(written, expected)) {
        wxLogMessage("%s changed after it was checked (SHA-256 %s, now %s).", sourcePath,
                     expected.sha256, written.sha256);
        return Result(FileWorkStatus::Changed,
                      wxString::Format(_("The file '%s' changed after it was checked."),
                                       wxFileName(sourcePath).GetFullName()));
    }
    UpdateJournalFile found;
    if (FileWorkResult result = ReadBack(copyPath, work, found);
        result.status != FileWorkStatus::Done)
        return result;
    if (!Matches(found, expected)) {
        wxLogMessage("Copy of %s on the Zephlark reads back different from the file (SHA-256 "
                     "%s, read back %s).",
                     sourcePath, expected.sha256, found.sha256);
        return Result(FileWorkStatus::Changed,
                      _("The copy on the Zephlark's disk read back different from the file."));
    }
    return Result(FileWorkStatus::Done);
}

} // namespace

FileWorkResult ReadWholeFile(const wxString& path, UpdateJournalFile& file,
                             const WorkProgress& progress)
{
    wxFile source;
    if (FileWorkResult opened = OpenForReading(path, source); opened.status != FileWorkStatus::Done)
        return opened;
    const wxFileOffset length = source.Length();
    WorkCount work(progress, length > 0 ? static_cast<uint64_t>(length) : 0);
    const wxLogNull quiet;
    return HashToTheEnd(ReadsOf(source), KeepAsRead, work, file);
}

wxString TemporaryCopyName(const wxString& name)
{
    return name + kTemporarySuffix;
}

FileWorkResult CopyToDataDiskVerified(const wxString& source, const wxString& diskRoot,
                                      const UpdateJournalFile& expected,
                                      const WorkProgress& progress)
{
    if (!IsUsableRoot(diskRoot)) {
        wxLogMessage("Cannot copy %s: the Zephlark disk is not available.", source);
        return Result(FileWorkStatus::Failed, _("the Zephlark's disk is not available"));
    }
    const wxString target = PathOnDisk(diskRoot, expected.name);
    const wxString partial = PathOnDisk(diskRoot, TemporaryCopyName(expected.name));
    // The source is closed before the rename: Windows cannot replace a file that is open.
    FileWorkResult result = PutCheckedCopy(source, partial, expected, progress);
    if (result.status == FileWorkStatus::Done && !ReplaceDiskFile(partial, target))
        result = SystemFailure();
    if (result.status == FileWorkStatus::Done)
        return result;
    wxLogMessage("Copying %s to %s failed%s", source, target,
                 result.reason.empty() ? wxString(".") : ": " + result.reason);
    if (wxFileExists(partial))
        wxRemoveFile(partial);
    return result;
}

DiskFilePresence FindOnDisk(const wxString& diskRoot, const UpdateJournalFile& file)
{
    const wxString path = PathOnDisk(diskRoot, file.name);
    if (wxDirExists(path))
        return DiskFilePresence::Different;
    if (!wxFileExists(path))
        return DiskFilePresence::Absent;
    UpdateJournalFile found;
    const auto proceed = [](uint64_t, uint64_t) { return true; };
    if (ReadWholeFile(path, found, proceed).status != FileWorkStatus::Done)
        return DiskFilePresence::Unreadable;
    return Matches(found, file) ? DiskFilePresence::Same : DiskFilePresence::Different;
}

bool RemoveOwnCopy(const wxString& diskRoot, const UpdateJournalFile& file)
{
    if (!IsUsableRoot(diskRoot)) {
        wxLogMessage("Cannot remove %s: the Zephlark disk is not available.", file.name);
        return false;
    }
    const wxString partial = PathOnDisk(diskRoot, TemporaryCopyName(file.name));
    if (wxFileExists(partial) && !wxRemoveFile(partial))
        return false;
    const wxString path = PathOnDisk(diskRoot, file.name);
    if (!wxFileExists(path))
        return true;
    const bool own = !file.size || FindOnDisk(diskRoot, file) == DiskFilePresence::Same;
    if (own)
        return wxRemoveFile(path);
    wxLogMessage("%s on the Zephlark is not the file the update copied; it was left as it is.",
                 path);
    return true;
}

int64_t FreeBytesOnDisk(const wxString& diskRoot)
{
    if (!IsUsableRoot(diskRoot)) {
        wxLogMessage("Cannot tell the free space of the Zephlark disk: it is not available.");
        return -1;
    }
    return DiskFreeBytes(diskRoot);
}
