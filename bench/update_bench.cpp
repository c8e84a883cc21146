// A whole firmware update in real time with realistic device timings: how much time the program
// adds to what the device itself takes, and how much CPU it uses meanwhile. The device is the
// simulated one plugged into a umockdev testbed and a mock udisks2 on a private bus
// (PluggedSimDevice, as in the end-to-end test); the program is the application itself in a
// process of its own (update_bench_program), so that all the CPU time counted is its own.
//
// Run it on a private bus with the mock udisks2 (tests/ZephlarkKitWx/linux/dbus/on_private_bus.sh),
// under umockdev-wrapper, with a display and TMPDIR pointing at a scratch folder;
// scripts/bench-update.sh does.

#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "MachineLoad.h"
#include "MockUDisks.h"
#include "PluggedSimDevice.h"
#include "PrivateBus.h"
#include "Testbed.h"
#include "UpdateDeviceTime.h"
#include "UpdateRunFigures.h"
#include "sim/SampleOsFile.h"

namespace {

using namespace std::chrono_literals;

constexpr char kFileVersion[] = "1.5.0";
constexpr auto kOverheadTarget = 3s;
// Far beyond a whole update with these timings.
constexpr auto kProgramLimit = std::chrono::minutes{5};
constexpr double kCpuTargetPercent = 5;

// Roughly the device's own: restarts of a few seconds, a disk that takes a moment to come.
void RealisticTimings(sim::DeviceSettings& settings)
{
    settings.diskDelay = 1500ms;
    settings.ejectReturnDelay = 1s;
    settings.installStepDelay = 500ms;
    settings.restartNoticeDelay = 500ms;
    settings.restartDelay = 3s;
    settings.flashDelay = 4s;
}

double Seconds(MonotonicClock::Duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

std::string ProgramPath()
{
    const auto here = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    return (here / "update_bench_program").string();
}

void PrintDeviceTime(const std::vector<DeviceTimeTerm>& terms)
{
    std::printf("Device's own time: %.2f s\n", Seconds(Sum(terms)));
    for (const auto& term : terms)
        std::printf("  %d x %.2f s  %s\n", term.count, Seconds(term.each), term.what);
}

void PrintFigures(const UpdateRunFigures& figures, MonotonicClock::Duration deviceTime)
{
    const double overhead = figures.updateSeconds - Seconds(deviceTime);
    const double cpuPercent = 100 * figures.processCpuSeconds / figures.updateSeconds;
    std::printf("Whole update: %.2f s\n", figures.updateSeconds);
    std::printf("Program's overhead (whole update - device's own time): %.2f s (target: under "
                "%.0f s, the 2 s pause before the clean-up and the eject polls included)\n",
                overhead, Seconds(kOverheadTarget));
    std::printf("Program's CPU time during the update: %.3f s, %.2f %% of one core (GUI thread "
                "%.3f s; target: under %.0f %%)\n",
                figures.processCpuSeconds, cpuPercent, figures.guiCpuSeconds, kCpuTargetPercent);
}

void PrintMachineLoad(const std::string& loadBefore, const CpuPressure& pressure)
{
    std::printf("Machine: load averages %s before, %s after", loadBefore.c_str(),
                LoadAverages().c_str());
    if (const auto share = pressure.WaitingShare())
        std::printf("; some task waited for a CPU %.1f %% of the run", 100 * *share);
    std::printf("\n");
}

// The exit status of a run that could not be made.
constexpr int kNotRun = 2;

int NotRun(const std::string& reason)
{
    std::fprintf(stderr, "update_bench: %s\n", reason.c_str());
    return kNotRun;
}

// Why this process is no place for the run, or null.
const char* WhyNotHere()
{
    if (!UnderUmockdevPreload())
        return "not under umockdev-wrapper: refusing to touch the real /sys and /dev";
    const char* scratch = std::getenv("TMPDIR");
    if (!scratch || !*scratch)
        return "TMPDIR must point at a scratch folder (scripts/bench-update.sh sets one)";
    return nullptr;
}

std::string FileText(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The figures of a successful update; otherwise what went wrong and the program's log.
int Report(int status, const std::optional<UpdateRunFigures>& figures,
           MonotonicClock::Duration deviceTime, const std::string& logFile)
{
    const std::string success =
        std::string("Update Successful\n\nDevice firmware version is: ") + kFileVersion + ".";
    if (status != 0 || !figures || figures->result != success) {
        std::printf("The update did not succeed (program exit status %d); result: %s\n"
                    "The program's log:\n%s\n",
                    status, figures ? figures->result.c_str() : "none", FileText(logFile).c_str());
        return 1;
    }
    std::printf("Result: Update Successful, device firmware version %s\n", kFileVersion);
    PrintFigures(*figures, deviceTime);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    wxInitializer wx(argc, argv);
    if (!wx.IsOk())
        return kNotRun;
    if (const char* why = WhyNotHere())
        return NotRun(why);
    PrivateBus bus;
    if (!bus.IsRunning())
        return NotRun("no private D-Bus bus: " + bus.Error());
    MockUDisks udisks(bus, bus.Folder() + "/media");
    if (!udisks.Start())
        return NotRun("no mock udisks2 on the private bus");
    Testbed testbed;
    PluggedSimDevice device(testbed, udisks);
    sim::DeviceSettings settings;
    device.WithDevice([&settings](sim::SimDevice& d) {
        RealisticTimings(d.Settings());
        settings = d.Settings();
    });

    // The bus's folder goes when the bus does; the user's file and the figures go with it.
    const std::string osFile = bus.Folder() + "/ZephlarkOS.zlos";
    const std::string figuresFile = bus.Folder() + "/figures";
    const std::string logFile = bus.Folder() + "/program.log";
    if (!sim::WriteSampleOsFile(osFile, kFileVersion))
        return NotRun("the OS file could not be written");

    std::printf("A whole firmware update (no key file) through the real Linux layer, the simulated "
                "device in real time\n");
    const auto deviceTime = DeviceTimeOfUpdate(settings);
    PrintDeviceTime(deviceTime);
    std::fflush(stdout);
    const std::string loadBefore = LoadAverages();
    const CpuPressure pressure;
    const int status = ChildProcess({ProgramPath(), osFile, figuresFile}, logFile)
                           .WaitForExit(kProgramLimit)
                           .value_or(-1);
    PrintMachineLoad(loadBefore, pressure);
    return Report(status, ReadUpdateRunFigures(figuresFile), Sum(deviceTime), logFile);
}
