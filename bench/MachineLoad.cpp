#include "MachineLoad.h"

#include <fstream>

namespace {

// The "some" line of /proc/pressure/cpu: "some avg10=0.00 avg60=0.00 avg300=0.00 total=<us>".
std::optional<unsigned long long> CpuWaitMicroseconds()
{
    std::ifstream pressure("/proc/pressure/cpu");
    std::string field;
    while (pressure >> field) {
        const std::string tag = "total=";
        if (field.compare(0, tag.size(), tag) == 0)
            return std::stoull(field.substr(tag.size()));
    }
    return std::nullopt;
}

} // namespace

std::string LoadAverages()
{
    std::ifstream loadavg("/proc/loadavg");
    std::string one, five, fifteen;
    loadavg >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

CpuPressure::CpuPressure()
    : startMicroseconds(CpuWaitMicroseconds()), start(std::chrono::steady_clock::now())
{}

std::optional<double> CpuPressure::WaitingShare() const
{
    const auto now = CpuWaitMicroseconds();
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    if (!now || !startMicroseconds || elapsed.count() <= 0)
        return std::nullopt;
    return static_cast<double>(*now - *startMicroseconds) / static_cast<double>(elapsed.count());
}
