// The device's OS install: "fwup /OSFILE [/KEYFILE]" names files at the root of its data disk.
// It checks them, reports unpacking in "fwup:" status lines, restarts, flashes, reports
// "flash complete", restarts again and from then on reports the OS file's version as its own.

#include "sim/SimDevice.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/OsFileVersion.h"

namespace sim {

namespace {

constexpr char kReadyLine[] = "fwup:Update ready, restarting";
constexpr char kFlashCompleteLine[] = "fwup: flash complete";
constexpr int kUnpackingPercents[] = {0, 25, 50, 75, 100};
// Where the unpacking faults strike: half-way, after the host has seen some progress.
constexpr int kUnpackingFaultPercent = 50;

struct InstallFiles
{
    std::string os;
    std::string key; // empty without a key
};

// "/update.zlos" -> "update.zlos". Only plain names at the disk's root: nothing that climbs out of
// the disk folder or into a subfolder.
std::optional<std::string> RootFileName(std::string_view argument)
{
    if (argument.size() < 2 || argument[0] != '/')
        return std::nullopt;
    const std::string_view name = argument.substr(1);
    if (name.find('/') != std::string_view::npos || name == "." || name == "..")
        return std::nullopt;
    return std::string(name);
}

// "/A" or "/A /B", one space between.
std::optional<InstallFiles> ParseInstallFiles(std::string_view arguments)
{
    const size_t space = arguments.find(' ');
    const auto os = RootFileName(arguments.substr(0, space));
    if (!os)
        return std::nullopt;
    if (space == std::string_view::npos)
        return InstallFiles{*os, {}};
    const auto key = RootFileName(arguments.substr(space + 1));
    if (!key)
        return std::nullopt;
    return InstallFiles{*os, *key};
}

// Every line of the install up to its verdict, one per step: an error, a failed status or the
// ready line last. The key's content is not verified.
std::vector<std::string> UnpackingReport(bool osFileValid, const InstallFiles& files,
                                         InstallFault fault)
{
    std::vector<std::string> lines = {"fwup: Checking files"};
    if (!osFileValid) {
        lines.push_back("fwup_error: Not a valid OS file: /" + files.os);
        return lines;
    }
    if (!files.key.empty())
        lines.push_back("fwup: Checking key");
    for (const int percent : kUnpackingPercents) {
        if (percent == kUnpackingFaultPercent && fault == InstallFault::FailedStatus) {
            lines.push_back("fwup: Unpacking failed");
            return lines;
        }
        if (percent == kUnpackingFaultPercent && fault == InstallFault::ErrorLine) {
            lines.push_back("fwup_error: Write error while unpacking");
            return lines;
        }
        lines.push_back("fwup: Unpacking " + std::to_string(percent) + "%");
    }
    lines.push_back(kReadyLine);
    return lines;
}

} // namespace

void SimDevice::StartInstall(std::string_view arguments)
{
    const auto files = ParseInstallFiles(arguments);
    if (!files) {
        SendLine("fwup_error: Usage: fwup /OSFILE [/KEYFILE]");
        return;
    }
    if (settings.installFault == InstallFault::Silent)
        return;

    // A disk never presented holds nothing; an empty folder path must not mean the current one.
    const std::filesystem::path& disk = settings.diskFolder;
    const auto version = disk.empty() ? std::nullopt : ReadOsFileVersion(disk / files->os);
    const std::vector<std::string> lines =
        UnpackingReport(version.has_value(), *files, settings.installFault);

    installingVersion = version.value_or("");
    SendLine(lines.front());
    for (size_t i = 1; i < lines.size(); ++i)
        After(settings.installStepDelay * i, [this, line = lines[i]] { SendLine(line); });
    if (lines.back() == kReadyLine)
        After(settings.installStepDelay * (lines.size() - 1) + settings.restartNoticeDelay,
              [this] { RestartIntoFlashing(); });
}

void SimDevice::RestartIntoFlashing()
{
    if (settings.installFault == InstallFault::StaysAfterReady)
        return;
    SetMode(Mode::Away);
    if (settings.installFault == InstallFault::LostInFirstRestart)
        return;
    After(settings.restartDelay, [this] {
        SetMode(Mode::Serial);
        After(settings.flashDelay, [this] { FinishFlashing(); });
    });
}

void SimDevice::FinishFlashing()
{
    if (settings.installFault == InstallFault::NoFlashReport)
        return;
    settings.version.sdk = installingVersion;
    settings.version.build = installingVersion;
    SendLine(kFlashCompleteLine);
    if (settings.installFault == InstallFault::StaysAfterFlash)
        return;
    After(settings.restartNoticeDelay, [this] { RestartAfterFlashing(); });
}

void SimDevice::RestartAfterFlashing()
{
    SetMode(Mode::Away);
    if (settings.installFault != InstallFault::LostInSecondRestart)
        After(settings.restartDelay, [this] { SetMode(Mode::Serial); });
}

} // namespace sim
