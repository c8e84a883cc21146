// The state folder and whole-file replacement on Windows.
#include "UserStateFolder.h"

#include <wx/log.h>

#include <windows.h>

#include <shlobj.h>

#include "windows/Win32Handles.h"

namespace {

constexpr wchar_t kFolderName[] = L"\\Zephlark Utility";

// The known folder rather than the environment variable, which a program started by a service or
// a scheduler may lack.
wxString LocalAppData()
{
    wchar_t* path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path);
    const wxString folder = SUCCEEDED(result) ? wxString(path) : wxString();
    CoTaskMemFree(path);
    if (folder.empty())
        wxLogMessage("The local application data folder is unknown (0x%08lx).",
                     static_cast<unsigned long>(result));
    return folder;
}

bool IsFolder(const wxString& path)
{
    const DWORD attributes = GetFileAttributesW(path.wc_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// GetLastError is set when a step fails. The file is made anew: a link standing at its name is
// deleted itself (DeleteFileW removes a link, not its target) and never written through.
bool WriteFlushed(const wxString& path, const std::string& bytes)
{
    if (!DeleteFileW(path.wc_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    FileHandle file{
        ValidOrNull(CreateFileW(path.wc_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))};
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size() && FlushFileBuffers(file.get());
}

} // namespace

wxString ZephlarkUserStateFolder()
{
    const wxString base = LocalAppData();
    if (base.empty())
        return wxString();
    const wxString folder = base + kFolderName;
    const int result = SHCreateDirectoryExW(nullptr, folder.wc_str(), nullptr);
    if (IsFolder(folder))
        return folder;
    wxLogMessage("Cannot make the state folder %s (%s).", folder, wxSysErrorMsgStr(result));
    return wxString();
}

bool ZephlarkReplaceFile(const wxString& path, const std::string& bytes)
{
    const wxString temporary = path + ".new";
    // MoveFileEx replaces the old file in one step. wxRenameFile does not: when the target exists
    // it falls back to copying over it.
    if (WriteFlushed(temporary, bytes) &&
        MoveFileExW(temporary.wc_str(), path.wc_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    DeleteFileW(temporary.wc_str());
    wxLogMessage("Could not write %s (%s).", path, wxSysErrorMsgStr(error));
    return false;
}
