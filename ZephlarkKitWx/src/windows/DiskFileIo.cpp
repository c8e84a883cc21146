// The data disk's file calls on Windows: writes that go through the cache to the disk, reads that
// bypass it, and a rename that is on the medium when it returns.
#include "DiskFileIo.h"

#include <wx/log.h>

#include <windows.h>

#include "windows/Win32Handles.h"

struct DiskFile::Handle
{
    FileHandle file;
};

namespace {

bool Failed(const char* action, const wxString& path)
{
    const DWORD error = GetLastError();
    wxLogMessage("Failed to %s %s: %s", action, path, wxSysErrorMsgStr(error));
    SetLastError(error); // for the caller's message
    return false;
}

FileHandle OpenFile(const wxString& path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    return FileHandle{ValidOrNull(
        CreateFileW(path.wc_str(), access, share, nullptr, disposition, flags, nullptr))};
}

} // namespace

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
    // Write-through: each WriteFile returns once the disk has the bytes, so that one chunk costs
    // the disk's time for it and FlushFileBuffers has only the metadata left.
    auto handle = std::make_unique<Handle>();
    handle->file = OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH);
    if (!handle->file)
        Failed("create", path);
    return DiskFile(std::move(handle), path);
}

DiskFile DiskFile::OpenUncached(const wxString& path)
{
    // No buffering: the reads come from the medium, in whole sectors into aligned memory.
    auto handle = std::make_unique<Handle>();
    handle->file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                            FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN);
    if (!handle->file)
        Failed("open", path);
    return DiskFile(std::move(handle), path);
}

bool DiskFile::IsOpen() const
{
    return handle && handle->file;
}

bool DiskFile::Write(const void* data, size_t size)
{
    DWORD written = 0;
    if (!WriteFile(handle->file.get(), data, static_cast<DWORD>(size), &written, nullptr))
        return Failed("write", path);
    if (written != size) {
        SetLastError(ERROR_WRITE_FAULT);
        return Failed("write", path);
    }
    return true;
}

bool DiskFile::Sync()
{
    return FlushFileBuffers(handle->file.get()) || Failed("sync", path);
}

int64_t DiskFile::Read(void* buffer, size_t size)
{
    // A synchronous read of a disk file fills the buffer unless the file ends.
    DWORD count = 0;
    if (!ReadFile(handle->file.get(), buffer, static_cast<DWORD>(size), &count, nullptr)) {
        Failed("read", path);
        return -1;
    }
    return count;
}

bool DiskFile::Close()
{
    if (!IsOpen())
        return true;
    return CloseHandle(handle->file.release()) || Failed("close", path);
}

bool ReplaceDiskFile(const wxString& from, const wxString& to)
{
    if (MoveFileExW(from.wc_str(), to.wc_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    return Failed("rename", from + " to " + to);
}

int64_t DiskFreeBytes(const wxString& path)
{
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExW(path.wc_str(), &available, nullptr, nullptr)) {
        Failed("get the free space of", path);
        return -1;
    }
    return static_cast<int64_t>(available.QuadPart);
}
