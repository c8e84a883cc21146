#pragma once

// A program started by the test with its standard output collected, for programs that run under
// wine: wine's helper processes (explorer.exe, services.exe) may inherit the pipe and keep it open
// after the program ends, so the end of the program is its exit, never the pipe's end.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
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
    std::string Output();
    // True once the output contains text; false when the limit passed first.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit);
    // The exit status, or nothing when the program still runs after the limit.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);
    void Kill();

private:
    void CollectOutput();
    // Appends what the pipe holds now; false once every writer is gone. Needs mutex held.
    bool TakeWaitingOutput();

    pid_t pid = -1;
    std::optional<int> exitStatus;
    int outputFd = -1;
    bool stopCollecting = false; // guarded by mutex
    std::mutex mutex;            // guards output and stopCollecting
    std::condition_variable outputGrew;
    std::string output;
    std::thread collector;
};

// Runs the program to its end (killed after the limit) and returns its exit status, -1 when it
// could not be started or had to be killed. Its output goes to *output when given.
int RunToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
             std::string* output = nullptr);
