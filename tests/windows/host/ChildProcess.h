#pragma once

// A program started by the test with its standard output collected in a file, for programs that
// run under wine: wine's helper processes (explorer.exe, services.exe) inherit the program's
// handles and may outlive it, so the end of the program is its exit, never the end of its output.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

class ChildProcess
{
public:
    // Starts argv[0] (looked up in PATH) with the test's environment plus extraEnvironment
    // ("NAME=value" each). Standard error stays the test's.
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const std::vector<std::string>& extraEnvironment = {});
    ~ChildProcess(); // kills the program if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid > 0; }
    std::string Output() const;
    // True once the output contains text; false when the limit passed first.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit);
    // The exit status, or nothing when the program still runs after the limit.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);
    void Kill();

private:
    bool Ended();

    pid_t pid = -1;
    std::optional<int> exitStatus;
    std::string outputPath;
};

// Runs the program to its end (killed after the limit) and returns its exit status, -1 when it
// could not be started or had to be killed. Its output goes to *output when given.
int RunToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
             std::string* output = nullptr);
