#include "Report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "FloodLine.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double Milliseconds(std::chrono::nanoseconds d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string Percent(const std::optional<double>& share)
{
    return share ? std::to_string(static_cast<int>(std::lround(*share * 100))) + "%" : "n/a";
}

void PrintLoss(const PhaseResult& r)
{
    std::printf("  handled %u of %u lines in order: %u lost, %u repeated or out of order%s\n",
                r.inOrder, r.expected, r.expected - r.inOrder, r.repeated,
                r.complete ? "" : "; GAVE UP: no line came for a while");
}

void PrintProgramNotices(const PhaseResult& r)
{
    std::printf("  program's notices: %llu \"Serial backlog, continuing...\", %llu \"Serial "
                "buffer full\"; reader queue peak %.1f KiB (sampled every 20 ms)\n",
                static_cast<unsigned long long>(r.backlogNotices),
                static_cast<unsigned long long>(r.overflowNotices), r.queuePeakBytes / 1024.0);
}

void PrintCpu(const PhaseResult& r)
{
    std::printf("  CPU %.3f s/MB handled (reader thread %.3f s + GUI thread %.3f s); feeder "
                "%.3f s; some task (ours included) waited for a CPU %s of the time\n",
                (r.readerCpu + r.guiCpu) / r.HandledMB(), r.readerCpu, r.guiCpu, r.feed.cpuSeconds,
                Percent(r.cpuWaitShare).c_str());
}

std::chrono::nanoseconds Percentile(const std::vector<std::chrono::nanoseconds>& sorted,
                                    double fraction)
{
    const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

} // namespace

void PrintFlood(const PhaseResult& r)
{
    std::printf("program, flood as fast as the terminal takes it (far beyond a USB full-speed "
                "device; the reader's 1 MiB cap drops what the GUI thread cannot keep):\n");
    PrintLoss(r);
    std::printf("  %.0f lines/s = %.2f MB/s handled over %.3f s (feed took %.3f s, last line "
                "handled %.3f s after the last write)\n",
                r.inOrder / r.seconds, r.HandledMB() / r.seconds, r.seconds,
                Seconds(r.feed.lastWrite - r.feed.firstWrite), r.lagSeconds);
    PrintProgramNotices(r);
    PrintCpu(r);
}

void PrintRated(const PhaseResult& r, double offeredMBps)
{
    const double fed = Seconds(r.feed.lastWrite - r.feed.firstWrite);
    std::printf("program, %.2f MB/s offered (fed at %.2f MB/s for %.2f s):\n", offeredMBps,
                r.expected * static_cast<double>(kFloodLineBytes) / kBytesPerMB / fed, fed);
    PrintLoss(r);
    std::printf("  %.0f lines/s = %.2f MB/s handled; last line handled %.1f ms after the last "
                "write\n",
                r.inOrder / r.seconds, r.HandledMB() / r.seconds, r.lagSeconds * 1e3);
    PrintProgramNotices(r);
    PrintCpu(r);
}

void PrintHighestSustained(double mbps, std::chrono::milliseconds caughtUpWithin)
{
    std::printf("highest rate sustained (nothing lost, caught up within %lld ms of the last "
                "write): %.2f MB/s = %.0f lines/s\n",
                static_cast<long long>(caughtUpWithin.count()), mbps,
                mbps * kBytesPerMB / kFloodLineBytes);
}

void PrintDelay(const PhaseResult& r, std::chrono::microseconds interval)
{
    std::printf("delay from a line feed written by the device to the line handled on the GUI "
                "thread, one line per %lld us:\n",
                static_cast<long long>(interval.count()));
    PrintLoss(r);
    if (r.delays.empty())
        return;
    auto sorted = r.delays;
    std::sort(sorted.begin(), sorted.end());
    std::printf("  median %.3f ms, 99th percentile %.3f ms (90th %.3f, 99.9th %.3f, max %.3f) "
                "over %zu lines\n",
                Milliseconds(Percentile(sorted, 0.5)), Milliseconds(Percentile(sorted, 0.99)),
                Milliseconds(Percentile(sorted, 0.9)), Milliseconds(Percentile(sorted, 0.999)),
                Milliseconds(sorted.back()), sorted.size());
    PrintCpu(r);
}

void PrintCat(const CatReport& cat, uint32_t lines)
{
    const double mb = lines * static_cast<double>(kFloodLineBytes) / kBytesPerMB;
    std::printf("cat on the same terminal, same flood (first write to input queue empty):\n");
    if (!cat.failure.empty()) {
        std::printf("  FAILED: %s\n", cat.failure.c_str());
        return;
    }
    std::printf("  %.0f lines/s = %.2f MB/s over %.3f s; CPU %.4f s/MB (cat process %.3f s); "
                "feeder %.3f s\n",
                lines / cat.seconds, mb / cat.seconds, cat.seconds, cat.cpuSeconds / mb,
                cat.cpuSeconds, cat.feed.cpuSeconds);
}
