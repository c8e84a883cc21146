// The device's OS install: "fwup /OSFILE [/KEYFILE]" names files at the root of its data disk.
// It checks them, reports unpacking in "fwup:" status lines, restarts, flashes, reports
// "flash complete", restarts again and from then on reports the OS file's version as its own.

#include "SimDevice.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
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

std::string OsFileError(OsFileCheck check, const std::string& name)
{
    switch (check) {
    case OsFileCheck::Ok:
        break;
    case OsFileCheck::Missing:
        return "fwup_error: File not found: /" + name;
    case OsFileCheck::Damaged:
        return "fwup_error: Not a valid OS file: /" + name;
    case OsFileCheck::NoVersion:
        return "fwup_error: No version in OS file: /" + name;
    case OsFileCheck::VersionTooLarge:
        return "fwup_error: Version too large in OS file: /" + name;
    }
    return {};
}

// A key the device cannot read, or an empty one, fails its check; the content is not verified.
bool KeyReadable(const std::filesystem::path& file)
{
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) &&
           std::filesystem::file_size(file, error) > 0 && !error;
}

// Every line of the install up to its verdict, one per step: an error, a failed status or the
// ready line last.
std::vector<std::string> UnpackingReport(OsFileCheck osCheck, const InstallFiles& files,
                                         bool keyReadable, InstallFault fault)
{
    std::vector<std::string> lines = {"fwup: Checking files"};
    if (osCheck != OsFileCheck::Ok) {
        lines.push_back(OsFileError(osCheck, files.os));
        return lines;
    }
    if (!files.key.empty()) {
        lines.push_back("fwup: Checking key");
        if (!keyReadable) {
            lines.push_back("fwup: Key check failed");
            return lines;
        }
    }
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
    if (installing) {
        SendLine("fwup_error: Update already in progress");
        return;
    }
    const auto files = ParseInstallFiles(arguments);
    if (!files) {
        SendLine("fwup_error: Usage: fwup /OSFILE [/KEYFILE]");
        return;
    }
    if (settings.installFault == InstallFault::Silent)
        return;

    // A disk never presented holds nothing; an empty folder path must not mean the current one.
    const std::filesystem::path& disk = settings.diskFolder;
    const OsFileVersion os = disk.empty() ? OsFileVersion{} : ReadOsFileVersion(disk / files->os);
    const bool keyReadable = !disk.empty() && !files->key.empty() && KeyReadable(disk / files->key);
    const std::vector<std::string> lines =
        UnpackingReport(os.check, *files, keyReadable, settings.installFault);

    installing = true;
    ++installRun;
    installingVersion = os.text;
    SendLine(lines.front());
    for (size_t i = 1; i < lines.size(); ++i)
        AfterInInstall(settings.installStepDelay * i, [this, line = lines[i]] { SendLine(line); });

    const auto verdictAt = settings.installStepDelay * (lines.size() - 1);
    if (lines.back() != kReadyLine) {
        AfterInInstall(verdictAt, [this] { installing = false; });
        return;
    }
    AfterInInstall(verdictAt + settings.restartNoticeDelay, [this] { RestartIntoFlashing(); });
}

void SimDevice::RestartIntoFlashing()
{
    if (settings.installFault == InstallFault::StaysAfterReady) {
        installing = false;
        return;
    }
    SetMode(Mode::Away);
    if (settings.installFault == InstallFault::LostInFirstRestart)
        return;
    AfterInInstall(settings.restartDelay, [this] {
        PowerUpInSerialMode();
        AfterInInstall(settings.flashDelay, [this] { FinishFlashing(); });
    });
}

void SimDevice::FinishFlashing()
{
    if (settings.installFault == InstallFault::NoFlashReport) {
        installing = false;
        return;
    }
    settings.version.sdk = installingVersion;
    settings.version.build = installingVersion;
    SendLine(kFlashCompleteLine);
    if (settings.installFault == InstallFault::StaysAfterFlash) {
        installing = false;
        return;
    }
    AfterInInstall(settings.restartNoticeDelay, [this] { RestartAfterFlashing(); });
}

void SimDevice::RestartAfterFlashing()
{
    SetMode(Mode::Away);
    if (settings.installFault == InstallFault::LostInSecondRestart)
        return;
    AfterInInstall(settings.restartDelay, [this] {
        installing = false;
        PowerUpInSerialMode();
    });
}

void SimDevice::AbandonInstall()
{
    ++installRun;
    installing = false;
}

void SimDevice::AfterInInstall(MonotonicClock::Duration delay, std::function<void()> step)
{
    After(delay, [this, run = installRun, step = std::move(step)] {
        if (run == installRun)
            step();
    });
}

} // namespace sim
