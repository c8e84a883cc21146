// The data disk's file calls on POSIX, shared by the Linux and the simulated platforms (the medium
// under them is DiskMedium.h's).
#include "DiskFileIo.h"

#include <wx/filename.h>
#include <wx/log.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <unistd.h>

#include "DiskMedium.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// How much of the disk's work a write may leave outstanding, at the pace the disk kept over the
// latest stretch: enough to keep it busy while the caller prepares the next piece, little enough
// that no write, and not the final Sync, waits much longer. Bounded, and growing by doubling at
// most, so that a quick start cannot run far ahead of a disk that then slows down.
constexpr auto kWriteAheadTime = std::chrono::milliseconds{50};
constexpr uint64_t kMaxWriteAheadBytes = 1024 * 1024;

} // namespace

struct DiskFile::Handle
{
    int fd = -1;
    uint64_t size = 0;            // bytes written: where the next write lands
    uint64_t settled = 0;         // the bytes before this one have been written out
    uint64_t writeAheadBytes = 0; // kWriteAheadTime of the disk's work, see there
    SteadyClock::time_point settledAt = SteadyClock::now();

    bool WriteOut(size_t newBytes);
};

namespace {

bool Failed(const char* action, const wxString& path)
{
    const int error = errno;
    wxLogMessage("Failed to %s %s: %s", action, path, wxSysErrorMsgStr(error));
    errno = error; // for the caller's message
    return false;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t count = write(fd, data, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        data += count;
        size -= static_cast<size_t>(count);
    }
    return true;
}

// flags on the bytes from start to end; a length of 0 would mean "to the end of the file".
bool SyncFileRange(int fd, uint64_t start, uint64_t end, unsigned flags)
{
    return end <= start || sync_file_range(fd, static_cast<off64_t>(start),
                                           static_cast<off64_t>(end - start), flags) == 0;
}

} // namespace

// The page cache would take a whole file at memory speed and leave it all to one fsync, which on a
// 1 MB/s disk blocks the caller for as many seconds as the file has megabytes. So the new bytes are
// set on their way to the disk at once, and the write waits until no more than this write's bytes
// or kWriteAheadTime of the disk's work are outstanding. Durability is still fsync's: this neither
// flushes the disk's own cache nor writes the file's metadata.
bool DiskFile::Handle::WriteOut(size_t newBytes)
{
    constexpr unsigned kWaitForWriteOut =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (!SyncFileRange(fd, size, size + newBytes, SYNC_FILE_RANGE_WRITE))
        return false;
    size += newBytes;
    const uint64_t allowedAhead = std::max<uint64_t>(newBytes, writeAheadBytes);
    if (size - settled <= allowedAhead)
        return true;
    if (!SyncFileRange(fd, settled, size - allowedAhead, kWaitForWriteOut))
        return false;
    const auto now = SteadyClock::now();
    const std::chrono::duration<double> taken = now - settledAt;
    const uint64_t newlySettled = size - allowedAhead - settled;
    if (taken.count() > 0)
        writeAheadBytes = std::min({static_cast<uint64_t>(newlySettled * (kWriteAheadTime / taken)),
                                    2 * allowedAhead, kMaxWriteAheadBytes});
    settled += newlySettled;
    settledAt = now;
    return true;
}

DiskFile::DiskFile(std::unique_ptr<Handle> handle, const wxString& path)
    : handle(std::move(handle)), path(path)
{}

DiskFile::DiskFile(DiskFile&&) noexcept = default;

DiskFile::~DiskFile()
{
    Close();
}

DiskFile DiskFile::Create(const wxString& path)
{
    auto handle = std::make_unique<Handle>();
    handle->fd = open(path.fn_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (handle->fd < 0)
        Failed("create", path);
    return DiskFile(std::move(handle), path);
}

DiskFile DiskFile::OpenUncached(const wxString& path)
{
    auto handle = std::make_unique<Handle>();
    handle->fd = open(path.fn_str(), O_RDONLY | O_CLOEXEC);
    if (handle->fd < 0) {
        Failed("open", path);
        return DiskFile(std::move(handle), path);
    }
    // Drops the file's pages from the cache (they are clean once synced), so that every read
    // goes to the medium. O_DIRECT would too, but a plain folder on tmpfs refuses it.
    const int error = posix_fadvise(handle->fd, 0, 0, POSIX_FADV_DONTNEED);
    if (error != 0) {
        errno = error;
        Failed("drop the cached pages of", path);
        close(handle->fd);
        handle->fd = -1;
    }
    return DiskFile(std::move(handle), path);
}

bool DiskFile::IsOpen() const
{
    return handle && handle->fd >= 0;
}

bool DiskFile::Write(const void* data, size_t size)
{
    if (!WriteAll(handle->fd, static_cast<const char*>(data), size) || !handle->WriteOut(size))
        return Failed("write", path);
    DiskMediumWrote(size);
    return true;
}

bool DiskFile::Sync()
{
    if (fsync(handle->fd) != 0)
        return Failed("sync", path);
    DiskMediumSynced(path);
    return true;
}

int64_t DiskFile::Read(void* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t count = read(handle->fd, static_cast<char*>(buffer) + done, size - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            Failed("read", path);
            return -1;
        }
        if (count == 0)
            break;
        done += static_cast<size_t>(count);
    }
    return static_cast<int64_t>(done);
}

bool DiskFile::Close()
{
    if (!IsOpen())
        return true;
    // No retry after EINTR: Linux has released the descriptor whatever close returned.
    const int result = close(handle->fd);
    handle->fd = -1;
    return result == 0 || Failed("close", path);
}

bool ReplaceDiskFile(const wxString& from, const wxString& to)
{
    if (rename(from.fn_str(), to.fn_str()) != 0)
        return Failed("rename", from + " to " + to);
    // The new entry is on the medium only when its folder is synced.
    const wxString folder = wxFileName(to).GetPath();
    const int fd = open(folder.fn_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    if (!synced)
        Failed("sync the folder", folder);
    if (fd >= 0)
        close(fd);
    return synced;
}
