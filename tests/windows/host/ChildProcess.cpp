#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using std::chrono::steady_clock;

// How often the collector looks at its stop flag while the pipe is quiet.
constexpr auto kCollectorWake = std::chrono::milliseconds{50};
constexpr auto kExitPoll = std::chrono::milliseconds{5};

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
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = extraEnvironment;
    for (char** variable = environ; *variable; ++variable)
        environment.emplace_back(*variable); // the first of a name wins: extras go first
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    const int result = posix_spawnp(&pid, arguments[0].c_str(), &actions, nullptr,
                                    Pointers(arguments).data(), Pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (result != 0) {
        pid = -1;
        close(pipeFds[0]);
        return;
    }
    outputFd = pipeFds[0];
    fcntl(outputFd, F_SETFL, O_NONBLOCK);
    collector = std::thread([this] { CollectOutput(); });
}

ChildProcess::~ChildProcess()
{
    Kill();
    if (collector.joinable()) {
        {
            std::lock_guard<std::mutex> guard(mutex);
            stopCollecting = true;
        }
        collector.join();
    }
    if (outputFd >= 0)
        close(outputFd);
}

void ChildProcess::CollectOutput()
{
    for (;;) {
        pollfd watch{outputFd, POLLIN, 0};
        poll(&watch, 1, static_cast<int>(kCollectorWake.count()));
        std::lock_guard<std::mutex> guard(mutex);
        if (stopCollecting || !TakeWaitingOutput())
            return;
        outputGrew.notify_all();
    }
}

bool ChildProcess::TakeWaitingOutput()
{
    for (;;) {
        char chunk[4096];
        const ssize_t count = read(outputFd, chunk, sizeof chunk);
        if (count > 0)
            output.append(chunk, static_cast<size_t>(count));
        else if (count < 0 && errno == EINTR)
            continue;
        else
            return count < 0 && errno == EAGAIN; // 0: every writer is gone
    }
}

std::string ChildProcess::Output()
{
    // What the program wrote just before it ended may still be in the pipe.
    std::lock_guard<std::mutex> guard(mutex);
    TakeWaitingOutput();
    return output;
}

bool ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> guard(mutex);
    return outputGrew.wait_for(guard, limit,
                               [&] { return output.find(text) != std::string::npos; });
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit)
{
    const auto deadline = steady_clock::now() + limit;
    while (!exitStatus && pid > 0) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kExitPoll);
    }
    return exitStatus;
}

void ChildProcess::Kill()
{
    if (pid <= 0 || exitStatus)
        return;
    kill(pid, SIGKILL);
    WaitForExit(std::chrono::seconds{10});
}

int RunToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
             std::string* output)
{
    ChildProcess child(argv);
    if (!child.Started())
        return -1;
    const auto status = child.WaitForExit(limit);
    if (output)
        *output = child.Output();
    return status.value_or(-1);
}
