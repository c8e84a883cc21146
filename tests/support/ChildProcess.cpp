#include "ChildProcess.h"

#include <cstdio>
#include <cstring>

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

// The child's process id, or -1 when it did not start. Consumes actions.
pid_t Spawn(const std::vector<std::string>& arguments,
            const std::vector<std::string>& extraEnvironment, posix_spawn_file_actions_t& actions,
            const posix_spawnattr_t* attributes = nullptr)
{
    std::vector<std::string> environment = extraEnvironment;
    for (char** variable = environ; *variable; ++variable)
        environment.emplace_back(*variable); // the first of a name wins: the extras go first
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, arguments[0].c_str(), &actions, attributes,
                                   Pointers(arguments).data(), Pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    if (error == 0)
        return pid;
    std::fprintf(stderr, "Failed to start %s: %s\n", arguments[0].c_str(), std::strerror(error));
    return -1;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::string& logPath,
                           const std::vector<std::string>& extraEnvironment)
    : logPath(logPath)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid = Spawn(arguments, extraEnvironment, actions);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit)
{
    int status = 0;
    if (pid <= 0 ||
        !WaitUntil(
            "the program's exit", [&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit))
        return std::nullopt;
    pid = -1; // reaped: nothing left to kill
    if (!WIFEXITED(status))
        return std::nullopt;
    return WEXITSTATUS(status);
}

ChildProcess::~ChildProcess()
{
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

int RunToEnd(const std::vector<std::string>& arguments, std::chrono::milliseconds limit)
{
    ChildProcess child(arguments, "/dev/null");
    return child.WaitForExit(limit).value_or(-1);
}

int RunReadingLines(const std::vector<std::string>& arguments, const std::string& logPath,
                    const std::vector<std::string>& extraEnvironment,
                    const std::function<bool(const std::string& line, pid_t child)>& onLine)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    // The reading end must not stay open in the child: closing it is how the reader leaves.
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    // A process group of its own, as a shell gives a command: a test may signal the group as a
    // terminal's Ctrl+C does.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    const pid_t pid = Spawn(arguments, extraEnvironment, actions, &attributes);
    posix_spawnattr_destroy(&attributes);
    close(out[1]);
    FILE* stream = fdopen(out[0], "r");
    char* line = nullptr;
    size_t capacity = 0;
    for (ssize_t length; pid > 0 && (length = getline(&line, &capacity, stream)) > 0;)
        if (!onLine(std::string(line, length - (line[length - 1] == '\n' ? 1 : 0)), pid))
            break;
    free(line);
    fclose(stream);
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
