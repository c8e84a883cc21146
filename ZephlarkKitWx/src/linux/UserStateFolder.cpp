// The state folder and whole-file replacement on Linux. The simulated platform uses this file too:
// the demo runs on Linux and keeps its state where the program does.
#include "UserStateFolder.h"

#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kFolderName[] = "zephlark-utility";
// The XDG base directory rules: a state folder the program makes is private to the user.
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;

// A relative XDG_STATE_HOME is invalid by the same rules and is ignored.
wxString StateHome()
{
    wxString home;
    if (wxGetEnv("XDG_STATE_HOME", &home) && home.StartsWith("/"))
        return home;
    return wxGetHomeDir() + "/.local/state";
}

// Makes folder and its missing parents; existing folders keep their modes. On failure, failed
// names the folder that could not be made and errno says why.
bool MakeFolders(const wxString& folder, wxString& failed)
{
    size_t end = 0;
    do {
        end = folder.find('/', end + 1);
        failed = folder.substr(0, end);
        if (mkdir(failed.fn_str(), kPrivateFolderMode) != 0 && errno != EEXIST)
            return false;
    } while (end != wxString::npos);
    struct stat made;
    if (stat(folder.fn_str(), &made) != 0)
        return false;
    errno = ENOTDIR;
    return S_ISDIR(made.st_mode);
}

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno != EINTR)
            return false;
        done += count > 0 ? static_cast<size_t>(count) : 0;
    }
    return true;
}

// False with errno set when a step fails. close() is checked too: some file systems (NFS) report
// a failed write only there. The file is made anew: a link standing at its name (planted, or left
// by anything) is removed, never written through.
bool WriteSynced(const wxString& path, const std::string& bytes)
{
    if (unlink(path.fn_str()) != 0 && errno != ENOENT)
        return false;
    const int fd =
        open(path.fn_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = close(fd) == 0;
    if (!written)
        errno = writeError;
    return written && closed;
}

// A rename is on the disk only once the folder that holds the name is.
bool SyncFolderOf(const wxString& path)
{
    const wxString folder = wxPathOnly(path);
    const int fd = open(folder.empty() ? "." : static_cast<const char*>(folder.fn_str()),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

} // namespace

wxString ZephlarkUserStateFolder()
{
    const wxString folder = StateHome() + "/" + kFolderName;
    wxString failed;
    if (MakeFolders(folder, failed))
        return folder;
    const int error = errno;
    wxLogMessage("Cannot make the state folder %s: %s (%s).", folder, failed,
                 wxSysErrorMsgStr(error));
    return wxString();
}

bool ZephlarkReplaceFile(const wxString& path, const std::string& bytes)
{
    const wxString temporary = path + ".new";
    if (WriteSynced(temporary, bytes) && rename(temporary.fn_str(), path.fn_str()) == 0 &&
        SyncFolderOf(path))
        return true;
    const int error = errno;
    unlink(temporary.fn_str()); // finds nothing when only the folder's sync failed
    wxLogMessage("Could not write %s (%s).", path, wxSysErrorMsgStr(error));
    return false;
}
