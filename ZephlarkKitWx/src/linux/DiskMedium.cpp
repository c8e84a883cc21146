// The medium under the POSIX disk file calls on Linux: the kernel's volumes, which take their own
// time for what they are given and keep it as it was written.
#include "DiskFileIo.h"
#include "DiskMedium.h"

#include <wx/log.h>

#include <cerrno>

#include <sys/statvfs.h>

void DiskMediumWrote(size_t) {}

void DiskMediumSynced(const wxString&) {}

int64_t DiskFreeBytes(const wxString& path)
{
    struct statvfs volume = {};
    if (statvfs(path.fn_str(), &volume) != 0) {
        wxLogMessage("Failed to get the free space of %s: %s", path, wxSysErrorMsgStr(errno));
        return -1;
    }
    // f_bavail, not f_bfree: blocks kept for root are no use to this user.
    return static_cast<int64_t>(volume.f_bavail) * static_cast<int64_t>(volume.f_frsize);
}
