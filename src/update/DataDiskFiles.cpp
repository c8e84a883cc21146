#include "DataDiskFiles.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <vector>

namespace {

constexpr size_t kCopyChunkBytes = 256 * 1024;

bool IsUsableRoot(const wxString& diskRoot)
{
    return !diskRoot.empty() && wxDirExists(diskRoot);
}

wxString PathOnDisk(const wxString& diskRoot, const wxString& name)
{
    return diskRoot + wxFileName::GetPathSeparator() + name;
}

bool CopyContents(wxFile& in, wxFile& out)
{
    std::vector<char> chunk(kCopyChunkBytes);
    for (;;) {
        const ssize_t count = in.Read(chunk.data(), chunk.size());
        if (count == wxInvalidOffset)
            return false;
        if (count == 0)
            return true;
        if (out.Write(chunk.data(), static_cast<size_t>(count)) != static_cast<size_t>(count))
            return false;
    }
}

} // namespace

bool CopyToDataDisk(const wxString& source, const wxString& diskRoot, const wxString& name)
{
    if (!IsUsableRoot(diskRoot)) {
        wxLogMessage("Cannot copy %s: the Zephlark disk is not available.", source);
        return false;
    }
    const wxString target = PathOnDisk(diskRoot, name);
    wxFile in(source);
    wxFile out(target, wxFile::write);
    // Flush syncs the file to the medium: the disk is ejected right after, and a copy still in
    // the cache would be lost or cut short.
    const bool written = in.IsOpened() && out.IsOpened() && CopyContents(in, out) && out.Flush();
    out.Close();
    const wxULongLong expected = wxFileName::GetSize(source);
    if (written && expected != wxInvalidSize && wxFileName::GetSize(target) == expected)
        return true;
    wxLogMessage("Copying %s to %s failed.", source, target);
    if (wxFileExists(target))
        wxRemoveFile(target);
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
