#pragma once

// A program started in a process of its own with this process's environment, its standard output
// and error going to a log file. One that is still running when the object goes is killed. Its end
// is its exit, never the end of its output: under wine, helper processes (explorer.exe,
// services.exe) inherit the program's handles and may outlive it.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "FileBytes.h"

class ChildProcess
{
public:
    // Starts arguments[0], looked up in PATH unless it is a path, with extraEnvironment
    // ("NAME=value" each) before this process's environment.
    ChildProcess(const std::vector<std::string>& arguments, const std::string& logPath,
                 const std::vector<std::string>& extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // What it wrote so far.
    std::string Output() const { return ReadBytes(logPath); }
    // Its exit status once it exited within limit; nothing if it did not start, was killed by a
    // signal, still runs after limit or was waited for already.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);

private:
    pid_t pid = -1; // until it is reaped
    std::string logPath;
};

// Runs the program to its end, its output dropped: its exit status, or -1 when it did not start,
// was killed or still ran after limit (it is killed then).
int RunToEnd(const std::vector<std::string>& arguments, std::chrono::milliseconds limit);

// Runs the program to its end with extraEnvironment, its standard error appended to logPath and
// its standard output handed to onLine a line at a time (without the line break). onLine may
// signal the child (its process id, which is also its process group's); once it returns false the
// output is closed, as by "| head". Its exit status, or -1 when it did not start or was killed by
// a signal.
int RunReadingLines(const std::vector<std::string>& arguments, const std::string& logPath,
                    const std::vector<std::string>& extraEnvironment,
                    const std::function<bool(const std::string& line, pid_t child)>& onLine);
