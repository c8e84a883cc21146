#include "update/VerifiedCopy.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <algorithm>
#include <memory>

#include "DiskFileIo.h"

namespace {

// About 65 ms at 1 MB/s, the slowest data disks: the caller's window is never held up long.
constexpr size_t kChunkBytes = 64 * 1024;
static_assert(kChunkBytes % kDiskIoAlignmentBytes == 0, "uncached reads go in whole sectors");

// The copy's name until it is complete and checked. Not an OS file's name, so the device's
// install never takes it for one.
constexpr char kPartialSuffix[] = ".part";

struct alignas(kDiskIoAlignmentBytes) Chunk
{
    char bytes[kChunkBytes];
};

// Counts the bytes of a copy's work for its progress callback.
class WorkCount
{
public:
    WorkCount(const CopyProgress& progress, uint64_t total) : progress(progress), total(total) {}
    void Add(size_t bytes) { progress(done += bytes, total); }

private:
    const CopyProgress& progress;
    const uint64_t total;
    uint64_t done = 0;
};

bool IsUsableRoot(const wxString& diskRoot)
{
    return !diskRoot.empty() && wxDirExists(diskRoot);
}

wxString PathOnDisk(const wxString& diskRoot, const wxString& name)
{
    return diskRoot + wxFileName::GetPathSeparator() + name;
}

bool WriteCopy(wxFile& source, const wxString& copyPath, WorkCount& work)
{
    DiskFile copy = DiskFile::Create(copyPath);
    if (!copy.IsOpen())
        return false;
    const auto chunk = std::make_unique<Chunk>();
    for (;;) {
        const ssize_t count = source.Read(chunk->bytes, kChunkBytes);
        if (count == wxInvalidOffset)
            return false;
        if (count == 0)
            return copy.Sync() && copy.Close();
        if (!copy.Write(chunk->bytes, static_cast<size_t>(count)))
            return false;
        work.Add(static_cast<size_t>(count));
    }
}

// Reads the copy back from its medium and compares it with the source, chunk by chunk.
bool CopyMatchesSource(wxFile& source, const wxString& sourcePath, const wxString& copyPath,
                       WorkCount& work)
{
    DiskFile copy = DiskFile::OpenUncached(copyPath);
    if (!copy.IsOpen() || source.Seek(0) != 0)
        return false;
    const auto expected = std::make_unique<Chunk>();
    const auto found = std::make_unique<Chunk>();
    for (uint64_t offset = 0;;) {
        const ssize_t expectedCount = source.Read(expected->bytes, kChunkBytes);
        const int64_t foundCount = copy.Read(found->bytes, kChunkBytes);
        if (expectedCount == wxInvalidOffset || foundCount < 0)
            return false;
        const size_t common = static_cast<size_t>(std::min<int64_t>(expectedCount, foundCount));
        const size_t same = static_cast<size_t>(
            std::mismatch(expected->bytes, expected->bytes + common, found->bytes).first -
            expected->bytes);
        if (same < common || expectedCount != foundCount) {
            wxLogMessage("Copy of %s on the Zephlark differs from the source at byte %llu.",
                         sourcePath, static_cast<unsigned long long>(offset + same));
            return false;
        }
        if (expectedCount == 0)
            return true;
        offset += common;
        work.Add(common);
    }
}

bool PutCheckedCopy(const wxString& sourcePath, const wxString& copyPath,
                    const CopyProgress& progress)
{
    wxFile source(sourcePath);
    const wxFileOffset size = source.IsOpened() ? source.Length() : wxInvalidOffset;
    if (size == wxInvalidOffset)
        return false;
    WorkCount work(progress, 2 * static_cast<uint64_t>(size));
    return WriteCopy(source, copyPath, work) &&
           CopyMatchesSource(source, sourcePath, copyPath, work);
}

} // namespace

bool CopyToDataDiskVerified(const wxString& source, const wxString& diskRoot, const wxString& name,
                            const CopyProgress& progress)
{
    if (!IsUsableRoot(diskRoot)) {
        wxLogMessage("Cannot copy %s: the Zephlark disk is not available.", source);
        return false;
    }
    const wxString target = PathOnDisk(diskRoot, name);
    const wxString partial = target + kPartialSuffix;
    // The source is closed before the rename: Windows cannot replace a file that is open.
    if (PutCheckedCopy(source, partial, progress) && ReplaceDiskFile(partial, target))
        return true;
    wxLogMessage("Copying %s to %s failed.", source, target);
    if (wxFileExists(partial))
        wxRemoveFile(partial);
    return false;
}

bool RemoveFromDataDisk(const wxString& diskRoot, const wxString& name)
{
    if (!IsUsableRoot(diskRoot)) {
        wxLogMessage("Cannot remove %s: the Zephlark disk is not available.", name);
        return false;
    }
    return wxRemoveFile(PathOnDisk(diskRoot, name));
}

int64_t FreeBytesOnDisk(const wxString& diskRoot)
{
    if (!IsUsableRoot(diskRoot)) {
        wxLogMessage("Cannot tell the free space of the Zephlark disk: it is not available.");
        return -1;
    }
    return DiskFreeBytes(diskRoot);
}

bool RemoveLeftoverCopy(const wxString& diskRoot, const wxString& name)
{
    for (const wxString& leftover : {name, name + kPartialSuffix}) {
        if (wxFileExists(diskRoot + wxFileName::GetPathSeparator() + leftover) &&
            !RemoveFromDataDisk(diskRoot, leftover))
            return false;
    }
    return true;
}
