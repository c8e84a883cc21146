#pragma once

// What serial_flood measures and for how long, from its command line.

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

struct BenchOptions
{
    bool gtkLoop = true;     // the program's own (GTK) event loop; else wx's console loop
    bool programLogs = true; // the program's log targets; else only the benchmark's count
    uint32_t floodMiB = 16;  // one flood, for the program and for cat
    std::vector<double> ratesMBps{1, 2, 3, 4, 5, 6, 8, 10, 12};
    double rateSeconds = 5; // per offered rate
    uint32_t pacedLines = 5000;
    std::chrono::microseconds pacedInterval{1000};
};

// Nothing when an argument is not understood (or is --help).
std::optional<BenchOptions> ParseBenchOptions(int argc, char** argv);

extern const char kBenchUsage[];
