// zephlark-cli info with the simulated device already plugged, in real time: from the process's
// start to its printed report, the device's own answer apart; and the command line's peak RSS
// against the window's (zephlark-utility-sim, ended once it has identified the device) in the same
// run. Run it with a display: scripts/bench.sh cli-info.
//
// The device's answer is taken as the time from "Device Connected" (the port is open; "version"
// follows) to the report, by the time stamps that the command writes into those two JSON lines
// (milliseconds): an upper bound, since it also holds the start of the program's reader thread.
// The start-to-report time ends when the report's line arrives here.
//
// Usage: cli_info [RUNS]   (5 unless given)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr auto kOwnTimeTarget = Milliseconds{200};
constexpr int kDefaultRuns = 5;
constexpr char kPortOpened[] = "Device Connected";
constexpr char kCliReport[] = R"("event":"device")";
constexpr char kLastVersionLine[] = "serial#="; // the sim's report ends with it

struct ChildEnd
{
    Milliseconds lifetime{0};
    long peakRssKiB = 0;
};

// Starts argv with its standard output on a pipe and hands each line, with the time since just
// before the start, to onLine. When onLine returns false the program is ended with SIGTERM.
ChildEnd RunChild(std::vector<const char*> argv,
                  const std::function<bool(const std::string&, Milliseconds)>& onLine)
{
    int out[2];
    if (pipe(out) != 0)
        std::exit(2);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv.data()), environ) !=
        0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    FILE* stream = fdopen(out[0], "r");
    char* line = nullptr;
    size_t capacity = 0;
    bool listening = true;
    for (ssize_t length; (length = getline(&line, &capacity, stream)) > 0;) {
        if (listening && !onLine(std::string(line, length), Clock::now() - start)) {
            listening = false;
            kill(pid, SIGTERM);
        }
    }
    free(line);
    fclose(stream);
    ChildEnd end;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    end.lifetime = Clock::now() - start;
    end.peakRssKiB = usage.ru_maxrss;
    return end;
}

bool Contains(const std::string& line, const char* text)
{
    return line.find(text) != std::string::npos;
}

// The time of day of a JSON line's "time" ("2026-12-07T01:08:59.776Z").
Milliseconds TimeStamp(const std::string& line)
{
    const size_t at = line.find(R"("time":")");
    int hours = 0, minutes = 0;
    double seconds = 0;
    if (at == std::string::npos || std::sscanf(line.c_str() + at, R"("time":"%*10sT%d:%d:%lf)",
                                               &hours, &minutes, &seconds) != 3)
        return Milliseconds{0};
    return Milliseconds{((hours * 60 + minutes) * 60 + seconds) * 1000};
}

struct CliFigures
{
    Milliseconds toReport{0}, deviceAnswer{0}, toExit{0};
    long peakRssKiB = 0;
    Milliseconds Own() const { return toReport - deviceAnswer; }
};

CliFigures RunCliInfo()
{
    Milliseconds opened{0}, reported{0};
    CliFigures figures;
    const ChildEnd end = RunChild({ZEPHLARK_CLI_SIM, "info", "--json"},
                                  [&](const std::string& line, Milliseconds at) {
                                      if (Contains(line, kPortOpened)) {
                                          opened = TimeStamp(line);
                                      } else if (Contains(line, kCliReport)) {
                                          reported = TimeStamp(line);
                                          figures.toReport = at;
                                      }
                                      return true;
                                  });
    figures.deviceAnswer = reported - opened;
    figures.toExit = end.lifetime;
    figures.peakRssKiB = end.peakRssKiB;
    if (figures.toReport.count() == 0 || opened.count() == 0) {
        std::fprintf(stderr, "zephlark-cli-sim info printed no report\n");
        std::exit(1);
    }
    return figures;
}

struct WindowFigures
{
    Milliseconds toIdentified{0};
    long peakRssKiB = 0;
};

WindowFigures RunWindow()
{
    WindowFigures figures;
    const ChildEnd end =
        RunChild({ZEPHLARK_UTILITY_SIM}, [&](const std::string& line, Milliseconds at) {
            if (!Contains(line, kLastVersionLine))
                return true;
            figures.toIdentified = at;
            return false;
        });
    figures.peakRssKiB = end.peakRssKiB;
    if (figures.toIdentified.count() == 0) {
        std::fprintf(stderr, "zephlark-utility-sim never identified the device\n");
        std::exit(1);
    }
    return figures;
}

template <typename T> T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MiB(long kib)
{
    return kib / 1024.0;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;
    std::vector<double> toReport, device, own, toExit, windowIdentified;
    std::vector<long> cliRss, windowRss;
    std::printf("run  cli: start->report  device answer  own  start->exit  peak RSS | "
                "window: start->identified  peak RSS\n");
    for (int run = 1; run <= runs; ++run) {
        const CliFigures cli = RunCliInfo();
        const WindowFigures window = RunWindow();
        std::printf(
            "%3d  %14.1f ms  %10.1f ms  %5.1f ms  %8.1f ms  %5.1f MiB | %15.1f ms  %5.1f MiB\n",
            run, cli.toReport.count(), cli.deviceAnswer.count(), cli.Own().count(),
            cli.toExit.count(), MiB(cli.peakRssKiB), window.toIdentified.count(),
            MiB(window.peakRssKiB));
        toReport.push_back(cli.toReport.count());
        device.push_back(cli.deviceAnswer.count());
        own.push_back(cli.Own().count());
        toExit.push_back(cli.toExit.count());
        cliRss.push_back(cli.peakRssKiB);
        windowIdentified.push_back(window.toIdentified.count());
        windowRss.push_back(window.peakRssKiB);
    }
    const double ownMedian = Median(own);
    std::printf("median: start->report %.1f ms, device answer %.1f ms, own %.1f ms (target under "
                "%.0f ms: %s), start->exit %.1f ms\n",
                Median(toReport), Median(device), ownMedian, kOwnTimeTarget.count(),
                ownMedian < kOwnTimeTarget.count() ? "met" : "missed", Median(toExit));
    std::printf("peak RSS: zephlark-cli-sim %.1f MiB, zephlark-utility-sim %.1f MiB (%.1fx); the "
                "window identified the device after %.1f ms\n",
                MiB(Median(cliRss)), MiB(Median(windowRss)),
                static_cast<double>(Median(windowRss)) / Median(cliRss), Median(windowIdentified));
    return 0;
}
