#pragma once

// A program started in a process of its own with this process's environment, its standard output
// and error going to a log file. One that is still running when the object goes is killed.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

class ChildProcess
{
public:
    ChildProcess(const std::vector<std::string>& arguments, const std::string& logPath);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid > 0; }
    // Its exit status once it exited within limit; nothing if it did not start, was killed by a
    // signal or still runs after limit.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);
    // SIGKILL, as a crash or the user's kill would end it, and waits for it to go.
    void Kill();

private:
    pid_t pid = -1;
    bool reaped = false;
    std::optional<int> exitStatus;
};
