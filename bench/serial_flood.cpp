// The serial link's figures: a fake USB device (umockdev) whose tty is a pseudo-terminal floods
// the real program code (the Linux serial layer, DeviceConnection with its reader thread and line
// classifier, the program's log targets) with 64-byte lines. Prints lines per second with nothing
// lost, CPU seconds per MB, a plain `cat` on the same terminal beside it, and the delay from a
// line feed leaving the device to the line being handled on the GUI thread.
//
// Run it under umockdev-wrapper with TMPDIR pointing at a scratch folder; scripts/bench.sh does.

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <dlfcn.h>

#include "BenchOptions.h"
#include "CatBaseline.h"
#include "DeviceInterface.h"
#include "FloodLine.h"
#include "LineTally.h"
#include "window/LogAccumulator.h"
#include "MachineLoad.h"
#include "PhaseRunner.h"
#include "PtyFeeder.h"
#include "Report.h"
#include "Serial.h"
#include "Testbed.h"
#include "ThreadCpu.h"
#include "deviceconnection.h"
#include "readthread.h"

namespace {

// A rate counts as sustained when nothing was lost and the program had caught up this soon after
// the feed ended; a backlog that keeps growing would reach the reader's 1 MiB cap sooner or later.
constexpr auto kCaughtUpWithin = std::chrono::milliseconds{100};

bool UnderUmockdevPreload()
{
    // Without the preload, libudev and open() would reach the real /sys and /dev.
    return dlopen("libumockdev-preload.so.0", RTLD_LAZY | RTLD_NOLOAD) != nullptr;
}

// The log targets the program installs (a stream on standard output, here /dev/null, flushed per
// record as the program does, and the log accumulator chained in front of it), with the tally
// last; or the tally alone.
class LogSinks
{
public:
    explicit LogSinks(bool programLogs) : discard("/dev/null")
    {
        if (programLogs) {
            discard.setf(std::ios::unitbuf);
            delete wxLog::SetActiveTarget(new wxLogStream(&discard, wxConvWhateverWorks));
            accumulatorChain = new wxLogChain(new LogAccumulator("serial_flood"));
        }
        tally = std::make_unique<LineTally>(accumulatorChain);
        wxLog::SetActiveTarget(tally.get());
    }

    ~LogSinks()
    {
        wxLog::SetActiveTarget(accumulatorChain);
        // The chain puts the stream target back in place and deletes the accumulator.
        delete accumulatorChain;
        delete wxLog::SetActiveTarget(nullptr);
    }

    LineTally& Tally() { return *tally; }

private:
    std::ofstream discard;
    wxLogChain* accumulatorChain = nullptr;
    std::unique_ptr<LineTally> tally;
};

class QuietOwner : public DeviceInterface
{
public:
    void DeviceConnectionChanged(bool) override {}
};

uint32_t LinesOf(double bytes)
{
    return static_cast<uint32_t>(bytes / kFloodLineBytes);
}

bool Sustained(const PhaseResult& r)
{
    return r.Lossless() && r.lagSeconds <= std::chrono::duration<double>(kCaughtUpWithin).count();
}

// Offers each rate in turn for a while, up to the first that the program did not sustain.
void MeasureRates(PhaseRunner& runner, PtyFeeder& feeder, const BenchOptions& options)
{
    double highestSustained = 0;
    for (const double mbps : options.ratesMBps) {
        const uint32_t lines = LinesOf(mbps * kBytesPerMB * options.rateSeconds);
        const uint32_t first = runner.NextSeq();
        const PhaseResult r = runner.Run(
            lines, [&] { feeder.StartRated(FloodBytes(first, lines), mbps * kBytesPerMB); });
        PrintRated(r, mbps);
        std::fflush(stdout);
        if (!Sustained(r))
            break;
        highestSustained = mbps;
    }
    PrintHighestSustained(highestSustained, kCaughtUpWithin);
}

// The phases that need the program's link: a flood, the rates, the delay. False when the
// program did not open the port.
bool MeasureProgram(LineTally& tally, PtyFeeder& feeder, const UsbSerialDevice& device,
                    const BenchOptions& options, uint32_t floodLines)
{
    QuietOwner owner;
    DeviceConnection connection(&owner);
    connection.RefreshDeviceConnections();
    SerialReadThread* reader = connection.GetReaderThread();
    const auto readerClock =
        reader ? ThreadCpuClock(static_cast<pthread_t>(reader->GetId())) : std::nullopt;
    const auto guiClock = ThreadCpuClock(pthread_self());
    if (!ZephlarkSerialIsOpen() || !readerClock || !guiClock) {
        std::fprintf(stderr, "The program did not open %s or has no reader thread\n",
                     device.Node().c_str());
        return false;
    }
    PhaseRunner runner(tally, feeder, {*guiClock, *readerClock, [&connection] {
                                           return connection.LineQueue().QueuedBytes();
                                       }});

    PrintFlood(runner.Run(floodLines, [&] { feeder.StartFlood(FloodBytes(0, floodLines)); }));
    std::fflush(stdout);
    MeasureRates(runner, feeder, options);
    const uint32_t first = runner.NextSeq();
    const PhaseResult paced = runner.Run(options.pacedLines, [&] {
        feeder.StartPaced(first, options.pacedLines, options.pacedInterval);
    });
    PrintDelay(paced, options.pacedInterval);
    return true;
}

int RunBenchmark(const BenchOptions& options)
{
    if (!UnderUmockdevPreload()) {
        std::fprintf(stderr,
                     "Not under umockdev-wrapper: refusing to touch the real /sys and /dev\n");
        return 2;
    }
    const char* scratch = std::getenv("TMPDIR");
    if (!scratch || !*scratch) {
        std::fprintf(stderr, "TMPDIR must name a scratch folder: umockdev leaves folders there\n");
        return 2;
    }
    const uint32_t floodLines = LinesOf(options.floodMiB * 1048576.0);
    std::printf("serial flood benchmark: %s event loop, %s; %u CPUs, load average %s\n",
                options.gtkLoop ? "GTK" : "console",
                options.programLogs ? "program's log targets" : "lines only counted",
                std::thread::hardware_concurrency(), LoadAverages().c_str());
    std::printf("flood: %u lines of %zu bytes (%.2f MB); MB = 10^6 bytes\n", floodLines,
                kFloodLineBytes, floodLines * kFloodLineBytes / kBytesPerMB);
    std::fflush(stdout);

    LogSinks logs(options.programLogs);
    Testbed testbed;
    const UsbSerialDevice device{"1-1"};
    testbed.Plug(device);
    PtyFeeder feeder(testbed.Master(device));
    if (!MeasureProgram(logs.Tally(), feeder, device, options, floodLines))
        return 1;
    // The program has closed the port: cat gets the same terminal.
    PrintCat(RunCatBaseline(device.Node(), feeder, FloodBytes(0, floodLines)), floodLines);
    std::printf("load average at the end %s\n", LoadAverages().c_str());
    return 0;
}

template <typename AppBase> class BenchApp : public AppBase
{
public:
    explicit BenchApp(const BenchOptions& options) : options(options) {}
    // The options were parsed before wx started; wx's own parser would refuse them.
    bool OnInit() override { return true; }
    int OnRun() override { return RunBenchmark(options); }

private:
    const BenchOptions options;
};

} // namespace

int main(int argc, char** argv)
{
    const auto options = ParseBenchOptions(argc, argv);
    if (!options) {
        std::fputs(kBenchUsage, stderr);
        return 2;
    }
    // GTK aborts the process when it finds no display; say why instead.
    if (options->gtkLoop && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fputs("--loop=gtk needs a display (run under xvfb-run -a)\n", stderr);
        return 2;
    }
    if (options->gtkLoop)
        wxApp::SetInstance(new BenchApp<wxApp>(*options));
    else
        wxApp::SetInstance(new BenchApp<wxAppConsole>(*options));
    // Only the program name: wx (and GTK) would refuse the benchmark's own options.
    int wxArgc = 1;
    return wxEntry(wxArgc, argv);
}
