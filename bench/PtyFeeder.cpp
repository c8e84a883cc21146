#include "PtyFeeder.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "FloodLine.h"
#include "ThreadCpu.h"

namespace {

using std::chrono::steady_clock;

// What one write call offers; the terminal takes what fits in its buffers.
constexpr size_t kWriteChunkBytes = 64 * 1024;
// How often a blocked writer looks whether it should give up.
constexpr auto kWritableWait = std::chrono::milliseconds{100};
constexpr auto kBurstPeriod = std::chrono::milliseconds{1};

int64_t SteadyNs(steady_clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

void SleepUntil(steady_clock::time_point t)
{
    // The steady clock is CLOCK_MONOTONIC on Linux; an absolute sleep does not drift.
    const int64_t ns = SteadyNs(t);
    const timespec until{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

} // namespace

PtyFeeder::PtyFeeder(int master) : master(master)
{
    const int flags = fcntl(master, F_GETFL);
    if (flags >= 0)
        fcntl(master, F_SETFL, flags | O_NONBLOCK);
}

PtyFeeder::~PtyFeeder()
{
    Abandon();
    if (thread.joinable())
        thread.join();
}

template <typename Feed> void PtyFeeder::Start(Feed feed)
{
    abandoned = false;
    report = FeedReport{};
    thread = std::thread([this, feed = std::move(feed)] {
        const double cpuBefore = ThisThreadCpuSeconds();
        report.complete = feed();
        report.lastWrite = steady_clock::now();
        report.cpuSeconds = ThisThreadCpuSeconds() - cpuBefore;
    });
}

void PtyFeeder::StartFlood(std::string bytes)
{
    Start([this, bytes = std::move(bytes)] {
        report.firstWrite = steady_clock::now();
        return WriteAll(bytes.data(), bytes.size());
    });
}

void PtyFeeder::StartRated(std::string bytes, double bytesPerSecond)
{
    Start([this, bytes = std::move(bytes), bytesPerSecond] {
        const auto start = steady_clock::now();
        report.firstWrite = start;
        size_t sent = 0;
        for (int64_t burst = 0; sent < bytes.size(); ++burst) {
            SleepUntil(start + kBurstPeriod * burst);
            // Each burst carries what is due by the start of the next one.
            const double due =
                bytesPerSecond * std::chrono::duration<double>(kBurstPeriod * (burst + 1)).count();
            const size_t until = std::min(bytes.size(), static_cast<size_t>(due));
            if (!WriteAll(bytes.data() + sent, until - sent))
                return false;
            sent = until;
        }
        return true;
    });
}

void PtyFeeder::StartPaced(uint32_t firstSeq, uint32_t count, std::chrono::microseconds interval)
{
    Start([this, firstSeq, count, interval] {
        const auto start = steady_clock::now();
        report.firstWrite = start;
        for (uint32_t i = 0; i < count; ++i) {
            SleepUntil(start + interval * i);
            const std::string line = FormatFloodLine({firstSeq + i, SteadyNs(steady_clock::now())});
            if (!WriteAll(line.data(), line.size()))
                return false;
        }
        return true;
    });
}

FeedReport PtyFeeder::Join()
{
    if (thread.joinable())
        thread.join();
    return report;
}

bool PtyFeeder::WriteAll(const char* data, size_t length)
{
    while (length > 0 && !abandoned) {
        const ssize_t written = write(master, data, std::min(length, kWriteChunkBytes));
        if (written > 0) {
            data += written;
            length -= static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd watch{master, POLLOUT, 0};
        poll(&watch, 1, static_cast<int>(kWritableWait.count()));
    }
    return length == 0;
}
