#include "SimDevice.h"

#include <algorithm>
#include <regex>
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

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// 0 for Sunday .. 6 for Saturday, proleptic Gregorian calendar.
int WeekdayOf(int year, int month, int day)
{
    static constexpr int kMonthOffset[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + kMonthOffset[month - 1] + day) % 7;
}

// "2026-12-05T04:09:59.123Z 6": a UTC time to the millisecond and the weekday of its date. The
// weekday has to match the date, so a host that works it out wrongly is caught here.
std::optional<DeviceTime> ParseSetTime(std::string_view arguments)
{
    static const std::regex format(
        R"((\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})\.\d{3}Z ([0-6]))");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_match(arguments.begin(), arguments.end(), match, format))
        return std::nullopt;
    const auto field = [&match](int index) { return std::stoi(match.str(index)); };
    const int year = field(1), month = field(2), day = field(3);
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    if (field(4) > 23 || field(5) > 59 || field(6) > 59)
        return std::nullopt;
    const int weekday = field(7);
    if (weekday != WeekdayOf(year, month, day))
        return std::nullopt;
    return DeviceTime{std::string(arguments.substr(0, arguments.find(' '))), weekday};
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
    After(settings.ejectReturnDelay, [this] { PowerUpInSerialMode(); });
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
    commands.push_back(line);
    if (echo)
        SendLine(line);
    if (line.empty())
        return;
    const std::string_view command = FirstWord(line);
    if (line == "echo off" || line == "echo on") {
        echo = line == "echo on";
    } else if (line == "version") {
        SendVersionReport();
    } else if (command == "settime") {
        SetTime(AfterFirstWord(line));
    } else if (line == "factoryreset") {
        FactoryReset();
    } else if (line == "datadisk") {
        EnterDataDisk();
    } else if (command == "fwup") {
        StartInstall(AfterFirstWord(line));
    } else {
        SendLine("Unknown command: " + std::string(command));
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

void SimDevice::SetTime(std::string_view arguments)
{
    if (auto time = ParseSetTime(arguments)) {
        lastTimeSet = std::move(time);
    } else {
        SendLine("settime: invalid time: " + std::string(arguments));
    }
}

void SimDevice::FactoryReset()
{
    ++eraseCount;
    lastTimeSet.reset();
    AbandonInstall();
    SetMode(Mode::Away);
    After(settings.restartDelay, [this] { PowerUpInSerialMode(); });
}

void SimDevice::EnterDataDisk()
{
    AbandonInstall();
    SetMode(Mode::Away);
    if (!settings.diskNeverAppears)
        After(settings.diskDelay, [this] { SetMode(Mode::Disk); });
}

void SimDevice::SetMode(Mode newMode)
{
    const UsbFace before = Face();
    mode = newMode;
    FaceMayHaveChanged(before);
}

void SimDevice::PowerUpInSerialMode()
{
    echo = true;
    SetMode(Mode::Serial);
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
