// A whole firmware update in real time with realistic device timings: how much time the program
// adds to what the device itself takes, and how much CPU it uses meanwhile. The device is the
// simulated one plugged into a umockdev testbed and a mock udisks2 on a private bus, as in the
// end-to-end test; the program is the end-to-end test's update program (the application itself)
// in a process of its own, which logs what the update cost it.
//
// Run it on a private bus with the mock udisks2, under umockdev-wrapper, with a display and TMPDIR
// pointing at a scratch folder: scripts/bench.sh update does.

#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "ChildProcess.h"
#include "MockUDisks.h"
#include "PluggedSimDevice.h"
#include "PrivateBus.h"
#include "Testbed.h"
#include "sim/SampleOsFile.h"

namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;

constexpr char kFileVersion[] = "1.5.0";
constexpr auto kOverheadTarget = 3s;
constexpr double kCpuTargetPercent = 5;
// Far beyond a whole update with these timings.
constexpr auto kProgramLimit = std::chrono::minutes{5};

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

// What the device itself takes, from each thing the program asks of it until it has done it: the
// disk comes and goes twice (the copy, the clean-up); an install without a key reports
// "Checking files", unpacking at 0, 25, 50, 75 and 100 % and the ready line, one step's delay
// between each two; two restarts, each announced; the flash.
Seconds DeviceTime(const sim::DeviceSettings& settings)
{
    return 2 * settings.diskDelay + 2 * settings.ejectReturnDelay + 6 * settings.installStepDelay +
           2 * settings.restartNoticeDelay + 2 * settings.restartDelay + settings.flashDelay;
}

int NotRun(const std::string& reason)
{
    std::fprintf(stderr, "update_bench: %s\n", reason.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    wxInitializer wx(argc, argv);
    if (const std::string refusal = UmockdevRefusal(); !refusal.empty())
        return NotRun(refusal + " (run it with scripts/bench.sh update)");
    PrivateBus bus;
    MockUDisks udisks(bus, bus.Folder() + "/media");
    if (!bus.IsRunning() || !udisks.Start())
        return NotRun("no private D-Bus bus with the mock udisks2: " + bus.Error());
    Testbed testbed;
    PluggedSimDevice device(testbed, udisks);
    Seconds deviceTime{};
    device.WithDevice([&deviceTime](sim::SimDevice& d) {
        RealisticTimings(d.Settings());
        deviceTime = DeviceTime(d.Settings());
    });
    // The bus's folder goes when the bus does: the user's file and the program's log go with it.
    const std::string osFile = bus.Folder() + "/ZephlarkOS.zlos";
    const std::string logFile = bus.Folder() + "/program.log";
    if (!sim::WriteSampleOsFile(osFile, kFileVersion))
        return NotRun("the OS file could not be written");

    std::printf("A whole firmware update (no key file) through the real Linux layer, the simulated "
                "device in real time; the device's own time: %.2f s\n",
                deviceTime.count());
    std::fflush(stdout);
    ChildProcess program({ZEPHLARK_UPDATE_PROGRAM, osFile}, logFile);
    const int status = program.WaitForExit(kProgramLimit).value_or(-1);
    const std::string log = program.Output();
    const size_t cost = log.find("update cost: ");
    double update = 0, cpu = 0, gui = 0;
    if (status != 0 || log.find("Update Successful") == std::string::npos ||
        cost == std::string::npos ||
        std::sscanf(log.c_str() + cost, "update cost: %lf s, CPU %lf s, GUI thread %lf s", &update,
                    &cpu, &gui) != 3) {
        std::printf("The update did not succeed (exit status %d). The program's log:\n%s\n", status,
                    log.c_str());
        return 1;
    }
    std::printf("Whole update: %.2f s\n", update);
    std::printf("Program's overhead (whole update - device's own time): %.2f s (target: under "
                "%.0f s, the 2 s pause before the clean-up and the eject polls included)\n",
                update - deviceTime.count(), Seconds(kOverheadTarget).count());
    std::printf("Program's CPU time during the update: %.3f s, %.2f %% of one core (GUI thread "
                "%.3f s; target: under %.0f %%)\n",
                cpu, 100 * cpu / update, gui, kCpuTargetPercent);
    return 0;
}
