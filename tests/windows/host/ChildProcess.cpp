#include "ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "WaitFor.h"

extern char** environ;

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (auto& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extraEnvironment)
{
    std::string path = "/tmp/zephlark-child-output.XXXXXX";
    const int file = mkostemp(path.data(), O_CLOEXEC);
    if (file < 0)
        return;
    outputPath = path;
    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = extraEnvironment;
    for (char** variable = environ; *variable; ++variable)
        environment.emplace_back(*variable); // the first of a name wins: extras go first
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, file, STDOUT_FILENO);
    if (posix_spawnp(&pid, arguments[0].c_str(), &actions, nullptr, Pointers(arguments).data(),
                     Pointers(environment).data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(file);
}

ChildProcess::~ChildProcess()
{
    Kill();
    if (!outputPath.empty())
        unlink(outputPath.c_str());
}

std::string ChildProcess::Output() const
{
    std::ostringstream text;
    text << std::ifstream(outputPath).rdbuf();
    return text.str();
}

bool ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit)
{
    return static_cast<bool>(WaitUntil(
        "the program's output", [&] { return Output().find(text) != std::string::npos; }, limit));
}

bool ChildProcess::Ended()
{
    int status = 0;
    if (!exitStatus && pid > 0 && waitpid(pid, &status, WNOHANG) == pid)
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return exitStatus || pid <= 0;
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit)
{
    WaitUntil(
        "the program's exit", [this] { return Ended(); }, limit);
    return exitStatus;
}

void ChildProcess::Kill()
{
    if (Ended())
        return;
    kill(pid, SIGKILL);
    WaitForExit(std::chrono::seconds{10});
}

int RunToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
             std::string* output)
{
    ChildProcess child(argv);
    const auto status = child.WaitForExit(limit);
    if (output)
        *output = child.Output();
    return status.value_or(-1);
}
