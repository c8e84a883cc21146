// The state folder's locks on Windows: a handle opened with no sharing is the lock. A second
// open, from any process, fails with a sharing violation until the handle is closed, which
// Windows does for a process that ends however it ends.
#include "FileLock.h"

#include <wx/log.h>

#include <windows.h>

#include "windows/Win32Handles.h"

struct FileLock::Handle
{
    FileHandle file;
};

FileLock::FileLock(const wxString& path) : handle(std::make_unique<Handle>())
{
    // FILE_FLAG_OPEN_REPARSE_POINT: a link at the name is opened itself, never followed.
    handle->file.reset(ValidOrNull(
        CreateFileW(path.wc_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    if (handle->file) {
        state = State::Held;
        return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
        state = State::Busy;
        return;
    }
    wxLogMessage("Cannot lock %s: %s", path, wxSysErrorMsgStr(error));
}

FileLock::~FileLock() = default;
