#include "sim/SimDevice.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

constexpr char kLineEnd[] = "\r\n";

// Dropping the taken part of the output only once it is large and at least half of the whole keeps
// a flood linear: each byte is moved at most about once.
constexpr size_t kOutputCompactBytes = 64 * 1024;

std::string_view FirstWord(std::string_view line)
{
    return line.substr(0, line.find(' '));
}

std::string_view AfterFirstWord(std::string_view line)
{
    const size_t space = line.find(' ');
    return space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
}

} // namespace

void SimDevice::SetPlugged(bool newPlugged)
{
    const UsbFace before = Face();
    plugged = newPlugged;
    FaceMayHaveChanged(before);
}

UsbFace SimDevice::Face() const
{
    if (!plugged)
        return UsbFace::None;
    switch (mode) {
    case Mode::Serial:
        return UsbFace::Serial;
    case Mode::Disk:
        return UsbFace::Disk;
    case Mode::Away:
        break;
    }
    return UsbFace::None;
}

void SimDevice::Reenumerate()
{
    if (Face() != UsbFace::Serial)
        return;
    ++serialSession;
    if (faceListener)
        faceListener();
}

void SimDevice::SetFaceListener(std::function<void()> listener)
{
    faceListener = std::move(listener);
}

void SimDevice::Receive(std::string_view bytes)
{
    for (const char byte : bytes) {
        // A command can take the device off USB; what the host sent after it is lost.
        if (Face() != UsbFace::Serial)
            return;
        if (byte == '\n') {
            HandleLine(std::exchange(lineBuffer, {}));
        } else if (byte != '\r') {
            lineBuffer.push_back(byte);
        }
    }
}

void SimDevice::Emit(std::string_view bytes)
{
    if (Face() == UsbFace::Serial)
        output.append(bytes);
}

std::string SimDevice::TakeOutput(size_t maxBytes)
{
    const size_t count = std::min(maxBytes, PendingOutput());
    std::string taken = output.substr(outputStart, count);
    outputStart += count;
    if (outputStart == output.size()) {
        output.clear();
        outputStart = 0;
    } else if (outputStart >= kOutputCompactBytes && outputStart * 2 >= output.size()) {
        output.erase(0, outputStart);
        outputStart = 0;
    }
    return taken;
}

bool SimDevice::EjectDisk()
{
    if (Face() != UsbFace::Disk || settings.diskRefusesEject)
        return false;
    SetMode(Mode::Away);
    After(settings.ejectReturnDelay, [this] { SetMode(Mode::Serial); });
    return true;
}

int SimDevice::RunDueActions()
{
    if (scheduled.empty())
        return 0;
    const auto now = TheClock().Now();
    int ran = 0;
    for (;;) {
        // An action may schedule more, so look for the earliest due one afresh each time.
        const auto earliest =
            std::min_element(scheduled.begin(), scheduled.end(), [](const auto& a, const auto& b) {
                return a.due != b.due ? a.due < b.due : a.order < b.order;
            });
        if (earliest == scheduled.end() || earliest->due > now)
            return ran;
        const auto action = std::move(earliest->action);
        scheduled.erase(earliest);
        action();
        ++ran;
    }
}

void SimDevice::HandleLine(const std::string& line)
{
    // Other commands ("echo off", "settime ...") change nothing the host can see.
    commands.push_back(line);
    if (line == "version") {
        SendVersionReport();
    } else if (line == "factoryreset") {
        FactoryReset();
    } else if (line == "datadisk") {
        EnterDataDisk();
    } else if (FirstWord(line) == "fwup") {
        StartInstall(AfterFirstWord(line));
    }
}

void SimDevice::SendLine(std::string_view text)
{
    Emit(text);
    Emit(kLineEnd);
}

void SimDevice::SendVersionReport()
{
    const VersionRecord& v = settings.version;
    SendLine("~version:");
    SendLine("target=" + v.target);
    SendLine("boot_build=" + v.bootBuild);
    SendLine("build=" + v.build);
    SendLine("SDK=" + v.sdk);
    SendLine("serial#=" + v.serialNumber);
}

void SimDevice::FactoryReset()
{
    LeaveForRestart();
    After(settings.restartDelay, [this] { SetMode(Mode::Serial); });
}

void SimDevice::EnterDataDisk()
{
    LeaveForRestart();
    if (!settings.diskNeverAppears)
        After(settings.diskDelay, [this] { SetMode(Mode::Disk); });
}

// The device restarts into its new mode: whatever it was still going to do (an install's next
// steps) ends here.
void SimDevice::LeaveForRestart()
{
    scheduled.clear();
    SetMode(Mode::Away);
}

void SimDevice::SetMode(Mode newMode)
{
    const UsbFace before = Face();
    mode = newMode;
    FaceMayHaveChanged(before);
}

void SimDevice::After(MonotonicClock::Duration delay, std::function<void()> action)
{
    scheduled.push_back({TheClock().Now() + delay, nextOrder++, std::move(action)});
}

void SimDevice::FaceMayHaveChanged(UsbFace before)
{
    const UsbFace now = Face();
    if (now == before)
        return;
    if (before == UsbFace::Serial) {
        // Whatever the host had not read yet, and half a command line, go with the port.
        output.clear();
        outputStart = 0;
        lineBuffer.clear();
    }
    if (now == UsbFace::Serial)
        ++serialSession;
    if (faceListener)
        faceListener();
}

} // namespace sim
