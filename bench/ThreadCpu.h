#pragma once

// CPU time (user + system) of single threads, so that the figures charge the program's reader and
// GUI threads and not the benchmark's own feeder.

#include <optional>

#include <pthread.h>
#include <time.h>

inline double CpuClockSeconds(clockid_t clock)
{
    timespec used{};
    if (clock_gettime(clock, &used) != 0)
        return 0;
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
}

inline double ThisThreadCpuSeconds()
{
    return CpuClockSeconds(CLOCK_THREAD_CPUTIME_ID);
}

// The CPU clock of another live thread of this process.
inline std::optional<clockid_t> ThreadCpuClock(pthread_t thread)
{
    clockid_t clock{};
    if (pthread_getcpuclockid(thread, &clock) != 0)
        return std::nullopt;
    return clock;
}
