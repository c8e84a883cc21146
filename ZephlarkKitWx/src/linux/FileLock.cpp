// The state folder's locks on POSIX (Linux and the simulated platform): flock belongs to the open
// file, so a second open in the same process is refused too, and the kernel drops the lock with
// the last descriptor of a process that died.
#include "FileLock.h"

#include <wx/log.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

struct FileLock::Handle
{
    int fd = -1;
    ~Handle()
    {
        if (fd >= 0)
            close(fd);
    }
};

FileLock::FileLock(const wxString& path) : handle(std::make_unique<Handle>())
{
    handle->fd = open(path.fn_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (handle->fd < 0) {
        wxLogMessage("Cannot open the lock %s: %s", path, wxSysErrorMsgStr(errno));
        return;
    }
    if (flock(handle->fd, LOCK_EX | LOCK_NB) == 0) {
        state = State::Held;
        return;
    }
    if (errno == EWOULDBLOCK) {
        state = State::Busy;
        return;
    }
    wxLogMessage("Cannot lock %s: %s", path, wxSysErrorMsgStr(errno));
}

FileLock::~FileLock() = default;
