#pragma once

// How loaded the whole machine was, so that figures taken on a shared machine can be read
// honestly.

#include <chrono>
#include <optional>
#include <string>

// The three load averages from /proc/loadavg, as the kernel writes them.
std::string LoadAverages();

// The share of the time, between construction and WaitingShare(), in which some runnable task
// waited for a CPU (Linux pressure stall information). Near 0 on an otherwise idle machine; a
// high share means other work delayed ours. The kernel accounts it to the microsecond, unlike
// /proc/stat, whose tick sampling misses a thread that wakes briefly for every line. Nothing when
// the kernel does not report pressure.
class CpuPressure
{
public:
    CpuPressure();
    std::optional<double> WaitingShare() const;

private:
    std::optional<unsigned long long> startMicroseconds;
    std::chrono::steady_clock::time_point start;
};
