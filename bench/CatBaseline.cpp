#include "CatBaseline.h"

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {

using std::chrono::steady_clock;

constexpr auto kCatStartLimit = std::chrono::seconds{5};
constexpr auto kDrainLimit = std::chrono::seconds{60};
// The input queue is watched this often once the feed ended; the figure is that much coarse.
constexpr auto kDrainPoll = std::chrono::microseconds{100};
constexpr char kPrimingLine[] = "priming\r\n";

std::string SystemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

// Bytes that the terminal holds for its reader. The kernel moves bytes from the writer to this
// queue on a worker thread, so up to one buffer (64 KiB) may still be on its way when it reads
// 0 after the last write; against a flood of megabytes that is well under a percent.
// umockdev's preload answers ioctl() on its devices itself (ENOTTY for this one): ask the kernel.
int InputQueued(int fd)
{
    int queued = 0;
    return syscall(SYS_ioctl, fd, TIOCINQ, &queued) == 0 ? queued : -1;
}

bool WaitDrained(int fd, steady_clock::time_point deadline)
{
    while (InputQueued(fd) != 0) {
        if (steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(kDrainPoll);
    }
    return true;
}

// The benchmark runs under umockdev's preload library; cat is to be plain.
std::vector<char*> EnvironmentWithoutPreload()
{
    std::vector<char*> kept;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "LD_PRELOAD=", 11) != 0)
            kept.push_back(*entry);
    }
    kept.push_back(nullptr);
    return kept;
}

// cat with the terminal as its standard input and /dev/null as its output; 0 on failure.
pid_t SpawnCat(int terminal)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, terminal, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char arg0[] = "cat";
    char* argv[] = {arg0, nullptr};
    auto env = EnvironmentWithoutPreload();
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, "cat", &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        errno = error;
        return 0;
    }
    return pid;
}

double CpuSeconds(const rusage& usage)
{
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Opens the terminal raw and blocking, as cat expects its input; -1 on failure (errno set).
int OpenRaw(const std::string& node)
{
    const int fd = open(node.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
    return fd;
}

} // namespace

CatReport RunCatBaseline(const std::string& node, PtyFeeder& feeder, std::string bytes)
{
    CatReport report;
    const int terminal = OpenRaw(node);
    if (terminal < 0) {
        report.failure = SystemError("cannot open " + node, errno);
        return report;
    }
    const pid_t cat = SpawnCat(terminal);
    if (cat == 0) {
        report.failure = SystemError("cannot start cat", errno);
        close(terminal);
        return report;
    }
    // The clock starts only once cat reads: it has taken a first line.
    feeder.StartFlood(kPrimingLine);
    feeder.Join();
    if (!WaitDrained(terminal, steady_clock::now() + kCatStartLimit)) {
        report.failure = "cat did not start reading";
    } else {
        feeder.StartFlood(std::move(bytes));
        report.feed = feeder.Join();
        if (!report.feed.complete || !WaitDrained(terminal, steady_clock::now() + kDrainLimit))
            report.failure = "cat stopped reading";
        report.seconds =
            std::chrono::duration<double>(steady_clock::now() - report.feed.firstWrite).count();
    }
    kill(cat, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(cat, &status, 0, &usage);
    report.cpuSeconds = CpuSeconds(usage);
    close(terminal);
    return report;
}
