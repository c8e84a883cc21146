// The serial link's figures: a fake USB device (umockdev) whose tty is a pseudo-terminal feeds
// 64-byte lines to the real program code (the Linux serial layer, DeviceConnection with its reader
// thread and line classifier, the program's log targets, GTK's event loop). A ladder of rates, each
// in bursts every millisecond as a USB device's frames come, up to the first that loses a line or
// falls behind; then one line per millisecond for the delay from the device's line feed to the
// line handled on the GUI thread. Each line carries its number and the time it was written, so
// that a handled line proves none was lost or reordered and tells its delay.
//
// Run it under umockdev-wrapper, with a display and TMPDIR pointing at a scratch folder:
// scripts/bench.sh flood does.

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/timer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include "DeviceInterface.h"
#include "Serial.h"
#include "Testbed.h"
#include "deviceconnection.h"
#include "readthread.h"
#include "window/LogAccumulator.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr size_t kLineBytes = 64; // CR LF included
constexpr double kBytesPerMB = 1e6;
constexpr double kRatesMBps[] = {1, 2, 3, 4, 5, 6, 8, 10, 12};
constexpr auto kRateTime = 5s;
constexpr auto kBurstPeriod = 1ms;
constexpr double kPacedLinesPerSecond = 1000;
constexpr auto kPacedTime = 5s;
// A rate counts as sustained when nothing was lost and the program had caught up this soon after
// the feed ended; a backlog that keeps growing would reach the reader's 1 MiB cap sooner or later.
constexpr auto kCaughtUpWithin = 100ms;
// A phase gives up when no line was handled for this long.
constexpr auto kStallLimit = 3s;

int64_t Nanoseconds(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// "seq=<10 digits> t=<20 digits> " padded with dots, then CR LF; the time is written as the line
// leaves (Stamp).
constexpr size_t kStampAt = 17, kStampDigits = 20;

std::string Line(uint32_t seq)
{
    char head[kLineBytes];
    const int used = std::snprintf(head, sizeof head, "seq=%010" PRIu32 " t=%020d ", seq, 0);
    std::string line(head, static_cast<size_t>(used));
    line.resize(kLineBytes - 2, '.');
    return line + "\r\n";
}

void Stamp(char* line, Clock::time_point written)
{
    int64_t ns = Nanoseconds(written);
    for (size_t i = kStampAt + kStampDigits; i-- > kStampAt; ns /= 10)
        line[i] = static_cast<char>('0' + ns % 10);
}

// Read digit by digit: comparing a wxString with a char literal converts the literal through the
// C library's locale, which would charge the benchmark's cost to the program.
bool ParseLine(const wxString& line, uint32_t& seq, int64_t& writtenNs)
{
    if (line.length() != kLineBytes - 2 || line[0] != 's' || line[14] != ' ')
        return false;
    int64_t fields[2] = {0, 0};
    const size_t starts[2] = {4, kStampAt}, digits[2] = {10, kStampDigits};
    for (int f = 0; f < 2; ++f) {
        for (size_t i = starts[f]; i < starts[f] + digits[f]; ++i) {
            const wxUniChar c = line[i];
            if (c < '0' || c > '9')
                return false;
            fields[f] = fields[f] * 10 + static_cast<int64_t>(c.GetValue() - '0');
        }
    }
    seq = static_cast<uint32_t>(fields[0]);
    writtenNs = fields[1];
    return true;
}

double CpuSeconds(clockid_t clock)
{
    timespec used{};
    clock_gettime(clock, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
}

struct Phase
{
    uint32_t expected = 0, inOrder = 0, repeated = 0;
    Clock::time_point firstWrite, lastWrite, lastHandled;
    double readerCpu = 0, guiCpu = 0;
    std::vector<Clock::duration> delays;

    bool Sustained() const
    {
        return inOrder == expected && repeated == 0 && lastHandled - lastWrite <= kCaughtUpWithin;
    }
    double HandledMB() const { return inOrder * kLineBytes / kBytesPerMB; }
    double SecondsFed() const
    {
        return std::chrono::duration<double>(lastWrite - firstWrite).count();
    }
};

// The last log target: a record reaches it once the program's own targets handled it, so the
// moment it sees a line is the moment the GUI thread finished with that line.
class Tally : public wxLog
{
public:
    explicit Tally(wxLog* next) : next(next) {}

    void Expect(Phase& counted, uint32_t first, wxEventLoopBase& loop)
    {
        phase = &counted;
        nextSeq = first;
        end = first + counted.expected;
        phaseLoop = &loop;
    }
    void Stop() { phase = nullptr; }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override
    {
        next->LogRecord(level, msg, info);
        const auto now = Clock::now();
        uint32_t seq = 0;
        int64_t writtenNs = 0;
        if (!phase || !ParseLine(msg, seq, writtenNs))
            return;
        if (seq < nextSeq) {
            ++phase->repeated;
            return;
        }
        nextSeq = seq + 1;
        ++phase->inOrder;
        phase->lastHandled = now;
        phase->delays.push_back(now - Clock::time_point(std::chrono::nanoseconds{writtenNs}));
        if (nextSeq == end)
            phaseLoop->ScheduleExit();
    }

private:
    wxLog* const next;
    Phase* phase = nullptr;
    uint32_t nextSeq = 0, end = 0;
    wxEventLoopBase* phaseLoop = nullptr;
};

// The device's end: writes the lines at linesPerSecond, a burst every millisecond, each line
// stamped as its burst leaves; gives up when told to. Returns the time of the last write.
Clock::time_point Feed(int master, std::string lines, double linesPerSecond,
                       const std::atomic<bool>& abandon)
{
    const auto start = Clock::now();
    size_t sent = 0; // bytes
    for (int64_t burst = 0; sent < lines.size() && !abandon; ++burst) {
        // An absolute sleep on the steady clock (CLOCK_MONOTONIC on Linux) does not drift.
        const int64_t ns = Nanoseconds(start + kBurstPeriod * burst);
        const timespec until{static_cast<time_t>(ns / 1'000'000'000),
                             static_cast<long>(ns % 1'000'000'000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
        // Each burst carries what is due by the start of the next one.
        const double due = linesPerSecond * kLineBytes *
                           std::chrono::duration<double>(kBurstPeriod * (burst + 1)).count();
        const size_t end =
            std::min(lines.size(), static_cast<size_t>(due) / kLineBytes * kLineBytes);
        for (size_t line = sent; line < end; line += kLineBytes)
            Stamp(&lines[line], Clock::now());
        while (sent < end && !abandon) {
            const ssize_t written = write(master, lines.data() + sent, end - sent);
            if (written > 0) {
                sent += static_cast<size_t>(written);
            } else {
                pollfd writable{master, POLLOUT, 0};
                poll(&writable, 1, 100);
            }
        }
    }
    return Clock::now();
}

class QuietOwner : public DeviceInterface
{
public:
    void DeviceConnectionChanged(bool) override {}
};

class FloodBench
{
public:
    FloodBench(Tally& tally, int master, clockid_t readerClock)
        : tally(tally), master(master), readerClock(readerClock)
    {
        pthread_getcpuclockid(pthread_self(), &guiClock);
    }

    // Runs the program's event loop while the device feeds the lines, until the last is handled
    // or none came for a while.
    Phase Run(double linesPerSecond, std::chrono::seconds length)
    {
        Phase phase;
        phase.expected = static_cast<uint32_t>(linesPerSecond * length.count());
        phase.delays.reserve(phase.expected);
        std::unique_ptr<wxEventLoopBase> loop(wxTheApp->GetTraits()->CreateEventLoop());
        wxEventLoopActivator active(loop.get());
        tally.Expect(phase, nextSeq, *loop);
        std::atomic<bool> abandon{false};
        uint32_t seen = 0;
        auto progressed = Clock::now();
        wxTimer watch;
        watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            if (std::exchange(seen, phase.inOrder) != phase.inOrder)
                progressed = Clock::now();
            else if (Clock::now() - progressed > kStallLimit && !abandon.exchange(true))
                loop->ScheduleExit();
        });
        std::string lines;
        lines.reserve(phase.expected * kLineBytes);
        for (uint32_t seq = nextSeq; seq < nextSeq + phase.expected; ++seq)
            lines += Line(seq);
        const double reader = CpuSeconds(readerClock), gui = CpuSeconds(guiClock);
        std::thread feeder([&, lines = std::move(lines)]() mutable {
            phase.firstWrite = Clock::now();
            phase.lastWrite = Feed(master, std::move(lines), linesPerSecond, abandon);
        });
        watch.Start(20);
        loop->Run();
        abandon = true;
        feeder.join();
        wxLog::FlushActive(); // what the reader thread logged (the overflow notice)
        tally.Stop();
        phase.readerCpu = CpuSeconds(readerClock) - reader;
        phase.guiCpu = CpuSeconds(guiClock) - gui;
        nextSeq += phase.expected;
        return phase;
    }

private:
    Tally& tally;
    const int master;
    const clockid_t readerClock;
    clockid_t guiClock{};
    uint32_t nextSeq = 0;
};

void PrintRate(double offeredMBps, const Phase& p)
{
    std::printf("%5.2f MB/s offered (fed at %.2f MB/s): %u of %u lines handled in order, %u "
                "repeated; %.2f MB/s handled, caught up %.1f ms after the last write; CPU %.3f "
                "s/MB (reader thread %.3f s, GUI thread %.3f s)\n",
                offeredMBps, p.expected * kLineBytes / kBytesPerMB / p.SecondsFed(), p.inOrder,
                p.expected, p.repeated,
                p.HandledMB() / std::chrono::duration<double>(p.lastHandled - p.firstWrite).count(),
                Milliseconds(p.lastHandled - p.lastWrite), (p.readerCpu + p.guiCpu) / p.HandledMB(),
                p.readerCpu, p.guiCpu);
    std::fflush(stdout);
}

void PrintDelay(Phase p)
{
    std::printf("one line per ms, %u of %u handled in order: delay from the device's line feed to "
                "the line handled on the GUI thread",
                p.inOrder, p.expected);
    if (p.delays.empty()) {
        std::printf(": none handled\n");
        return;
    }
    std::sort(p.delays.begin(), p.delays.end());
    const auto at = [&p](double share) {
        return Milliseconds(p.delays[static_cast<size_t>(share * (p.delays.size() - 1))]);
    };
    std::printf(" median %.3f ms, 99th percentile %.3f ms, max %.3f ms\n", at(0.5), at(0.99),
                at(1));
}

int RunBenchmark()
{
    if (const std::string refusal = UmockdevRefusal(); !refusal.empty()) {
        std::fprintf(stderr, "serial_flood: %s\n", refusal.c_str());
        return 2;
    }
    // The program's log targets: a stream on standard output (here /dev/null), flushed per
    // record as the program does, with the log accumulator chained in front; the tally last.
    std::ofstream discard("/dev/null");
    discard.setf(std::ios::unitbuf);
    delete wxLog::SetActiveTarget(new wxLogStream(&discard, wxConvWhateverWorks));
    auto* programLogs = new wxLogChain(new LogAccumulator("serial_flood"));
    Tally tally(programLogs);
    wxLog::SetActiveTarget(&tally);

    Testbed testbed;
    const UsbSerialDevice device{"1-1"};
    testbed.Plug(device);
    const int master = testbed.Master(device);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    QuietOwner owner;
    DeviceConnection connection(&owner);
    connection.RefreshDeviceConnections();
    clockid_t readerClock{};
    if (!connection.IsPortOpen() || !connection.GetReaderThread() ||
        pthread_getcpuclockid(static_cast<pthread_t>(connection.GetReaderThread()->GetId()),
                              &readerClock) != 0) {
        std::fprintf(stderr, "serial_flood: the program did not open %s\n", device.Node().c_str());
        return 1;
    }

    std::printf("serial flood: %zu-byte lines, MB = 10^6 bytes, %lld s per rate\n", kLineBytes,
                static_cast<long long>(kRateTime.count()));
    FloodBench bench(tally, master, readerClock);
    double highest = 0;
    for (const double mbps : kRatesMBps) {
        const Phase phase = bench.Run(mbps * kBytesPerMB / kLineBytes, kRateTime);
        PrintRate(mbps, phase);
        if (!phase.Sustained())
            break;
        highest = mbps;
    }
    std::printf("highest rate sustained (nothing lost, caught up within %lld ms): %.2f MB/s = %.0f "
                "lines/s\n",
                static_cast<long long>(kCaughtUpWithin.count()), highest,
                highest * kBytesPerMB / kLineBytes);
    PrintDelay(bench.Run(kPacedLinesPerSecond, kPacedTime));
    wxLog::SetActiveTarget(programLogs);
    delete programLogs; // puts the stream target back and deletes the accumulator
    delete wxLog::SetActiveTarget(nullptr);
    return 0;
}

class FloodApp : public wxApp
{
public:
    int OnRun() override { return RunBenchmark(); }
};

} // namespace

int main(int argc, char** argv)
{
    // GTK aborts the process when it finds no display; say why instead.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fputs("serial_flood needs a display (run it under xvfb-run -a)\n", stderr);
        return 2;
    }
    wxApp::SetInstance(new FloodApp);
    return wxEntry(argc, argv);
}
