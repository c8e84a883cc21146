#include "PhaseRunner.h"

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/timer.h>

#include <algorithm>
#include <memory>

#include "FloodLine.h"
#include "LineTally.h"
#include "MachineLoad.h"
#include "ThreadCpu.h"

namespace {

using std::chrono::steady_clock;

// A phase gives up when no line was handled for this long.
constexpr auto kStallLimit = std::chrono::seconds{3};
// How often the reader queue is sampled and a stall looked for.
constexpr auto kWatchPeriod = std::chrono::milliseconds{20};

double Seconds(steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

double PhaseResult::HandledMB() const
{
    return inOrder * static_cast<double>(kFloodLineBytes) / kBytesPerMB;
}

PhaseRunner::PhaseRunner(LineTally& tally, PtyFeeder& feeder, LinkProbe probe)
    : tally(tally), feeder(feeder), probe(std::move(probe))
{}

PhaseResult PhaseRunner::Run(uint32_t count, const std::function<void()>& startFeed)
{
    std::unique_ptr<wxEventLoopBase> loop(wxTheApp->GetTraits()->CreateEventLoop());
    wxEventLoopActivator activate(loop.get());
    PhaseResult result;
    result.expected = count;
    tally.Expect(nextSeq, count);
    tally.OnComplete([&] {
        result.complete = true;
        loop->ScheduleExit();
    });
    uint32_t seen = 0;
    auto lastProgress = steady_clock::now();
    wxTimer watch;
    watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        result.queuePeakBytes = std::max(result.queuePeakBytes, probe.queuedBytes());
        if (tally.InOrder() != seen) {
            seen = tally.InOrder();
            lastProgress = steady_clock::now();
        } else if (steady_clock::now() - lastProgress > kStallLimit) {
            feeder.Abandon();
            loop->ScheduleExit();
        }
    });

    const CpuPressure pressure;
    const double guiStart = CpuClockSeconds(probe.guiCpuClock);
    const double readerStart = CpuClockSeconds(probe.readerCpuClock);
    startFeed();
    watch.Start(static_cast<int>(kWatchPeriod.count()));
    loop->Run();
    watch.Stop();
    tally.OnComplete(nullptr);
    result.guiCpu = CpuClockSeconds(probe.guiCpuClock) - guiStart;
    result.readerCpu = CpuClockSeconds(probe.readerCpuClock) - readerStart;
    result.cpuWaitShare = pressure.WaitingShare();
    result.feed = feeder.Join();
    wxLog::FlushActive(); // records the reader thread logged (the overflow notice)

    result.inOrder = tally.InOrder();
    result.repeated = tally.Repeated();
    result.backlogNotices = tally.BacklogNotices();
    result.overflowNotices = tally.OverflowNotices();
    result.seconds = Seconds(tally.LastHandled() - result.feed.firstWrite);
    result.lagSeconds = Seconds(tally.LastHandled() - result.feed.lastWrite);
    result.delays = tally.Delays();
    nextSeq += count;
    return result;
}
