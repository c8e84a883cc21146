#pragma once

// One measurement: starts a feed into the terminal and runs the program's event loop until the
// program handled the feed's last line (or gave up receiving), then collects what the tally,
// the threads' CPU clocks and the program's reader queue saw meanwhile.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <time.h>

#include "PtyFeeder.h"

class LineTally;

struct PhaseResult
{
    bool complete = false; // false when no line came for a while before the last one
    uint32_t expected = 0;
    uint32_t inOrder = 0;
    uint32_t repeated = 0;
    uint64_t backlogNotices = 0;
    uint64_t overflowNotices = 0;
    double seconds = 0;                 // first write to last line handled
    double lagSeconds = 0;              // last write returned to last line handled
    size_t queuePeakBytes = 0;          // the reader queue's largest sample
    double guiCpu = 0;                  // seconds
    double readerCpu = 0;               // seconds
    std::optional<double> cpuWaitShare; // of the phase, see CpuPressure
    FeedReport feed;
    std::vector<std::chrono::nanoseconds> delays;

    bool Lossless() const { return inOrder == expected && repeated == 0; }
    double HandledMB() const;
};

// The threads that carry the device's lines, and the reader's queue.
struct LinkProbe
{
    clockid_t guiCpuClock;
    clockid_t readerCpuClock;
    std::function<size_t()> queuedBytes; // GUI thread
};

class PhaseRunner
{
public:
    PhaseRunner(LineTally& tally, PtyFeeder& feeder, LinkProbe probe);

    // The next phase's lines are numbered on from the last one's.
    uint32_t NextSeq() const { return nextSeq; }
    // startFeed starts the feeder on count lines from NextSeq() on.
    PhaseResult Run(uint32_t count, const std::function<void()>& startFeed);

private:
    LineTally& tally;
    PtyFeeder& feeder;
    LinkProbe probe;
    uint32_t nextSeq = 0;
};
