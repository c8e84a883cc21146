#include "UpdateDeviceTime.h"

namespace {

// Without a key the device reports "Checking files", unpacking at 0, 25, 50, 75 and 100 % and the
// ready line: one step's delay between each two of those seven lines.
constexpr int kInstallStepsWithoutKey = 6;

} // namespace

std::vector<DeviceTimeTerm> DeviceTimeOfUpdate(const sim::DeviceSettings& settings)
{
    // The disk comes and goes twice: for the copy and for the clean-up.
    return {
        {"disk presented after \"datadisk\"", 2, settings.diskDelay},
        {"back in serial mode after the eject", 2, settings.ejectReturnDelay},
        {"install status steps", kInstallStepsWithoutKey, settings.installStepDelay},
        {"restart notices (ready, flash complete)", 2, settings.restartNoticeDelay},
        {"restarts", 2, settings.restartDelay},
        {"flashing", 1, settings.flashDelay},
    };
}

MonotonicClock::Duration Sum(const std::vector<DeviceTimeTerm>& terms)
{
    MonotonicClock::Duration total{};
    for (const auto& term : terms)
        total += term.count * term.each;
    return total;
}
