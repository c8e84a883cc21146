#include "ChildProcess.h"

#include <cstdio>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr auto kExitPoll = std::chrono::milliseconds{10};

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::string& logPath)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "Failed to start %s: %s\n", argv[0], std::strerror(error));
        pid = -1;
    }
}

ChildProcess::~ChildProcess()
{
    Kill();
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Started() && !reaped) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0) {
            reaped = true;
            if (done == pid && WIFEXITED(status))
                exitStatus = WEXITSTATUS(status);
        } else if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        } else {
            std::this_thread::sleep_for(kExitPoll);
        }
    }
    return exitStatus;
}

void ChildProcess::Kill()
{
    if (!Started() || reaped)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    reaped = true;
}
