#include "ChildProcess.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "WaitFor.h"

extern char** environ;

namespace {

std::vector<char*> Pointers(const std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (const auto& s : strings)
        pointers.push_back(const_cast<char*>(s.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::string& logPath,
                           const std::vector<std::string>& extraEnvironment)
    : logPath(logPath)
{
    std::vector<std::string> environment = extraEnvironment;
    for (char** variable = environ; *variable; ++variable)
        environment.emplace_back(*variable); // the first of a name wins: the extras go first
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int error = posix_spawnp(&pid, arguments[0].c_str(), &actions, nullptr,
                                   Pointers(arguments).data(), Pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "Failed to start %s: %s\n", arguments[0].c_str(),
                     std::strerror(error));
        pid = -1;
    }
}

ChildProcess::~ChildProcess()
{
    Kill();
}

std::string ChildProcess::Output() const
{
    std::ostringstream text;
    text << std::ifstream(logPath).rdbuf();
    return text.str();
}

bool ChildProcess::Reaped()
{
    if (!Started() || reaped)
        return true;
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || done < 0) {
        reaped = true;
        if (done == pid && WIFEXITED(status))
            exitStatus = WEXITSTATUS(status);
    }
    return reaped;
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit)
{
    if (!WaitUntil(
            "the program's exit", [this] { return Reaped(); }, limit))
        return std::nullopt;
    return exitStatus;
}

void ChildProcess::Kill()
{
    if (Reaped())
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    reaped = true;
}

int RunToEnd(const std::vector<std::string>& arguments, std::chrono::milliseconds limit)
{
    ChildProcess child(arguments, "/dev/null");
    return child.WaitForExit(limit).value_or(-1);
}
