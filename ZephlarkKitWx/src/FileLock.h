#pragma once

// An advisory lock on a file in the user's state folder, so that two programs (the window, the
// command line) never update or recover the same device at once. The system releases it when the
// holder closes it or its process ends, however it ends: a killed update never leaves a stale
// lock. Each platform folder implements it (POSIX flock; Windows: a handle shared with nobody).
// The file is made without following a link that stands at its name, and is left in place.

#include <wx/string.h>

#include <memory>

class FileLock
{
public:
    enum class State
    {
        Held,   // this object holds the lock
        Busy,   // another holder has it, in this process or another
        Failed, // the file could not be made or opened (logged with the system's reason)
    };

    // Tries once to take the lock on path; never waits.
    explicit FileLock(const wxString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    State GetState() const { return state; }

private:
    struct Handle; // the open file, as each platform keeps it
    std::unique_ptr<Handle> handle;
    State state = State::Failed;
};
