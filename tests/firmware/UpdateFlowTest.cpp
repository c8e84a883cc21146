// Whole firmware updates on the simulated device, each outcome with its exact result text and
// what it leaves on the device's data disk.

#include <gmock/gmock.h>

#include <wx/ffile.h>

#include <algorithm>
#include <functional>

#include "UpdateFlowFixture.h"

namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::IsEmpty;

TEST_F(UpdateFlow, UpdateWithAKeyInstallsAndCleansUp)
{
    EXPECT_EQ(Update(OsFile("1.5.0"), KeyFile()), Successful("1.5.0"));
    EXPECT_THAT(DeviceCommands(), Contains("fwup /ZephlarkOS.zlos /ZephlarkOS.zlkey"));
    EXPECT_THAT(DiskFiles(), IsEmpty());
    EXPECT_TRUE(connection->IsDeviceIdentified());
    // The disk is logged once each time it appears: for the copies and for the clean-up.
    EXPECT_EQ(LoggedStartingWith("Found Device Disk [ZEPHLARK]: /"), 2u);
}

TEST_F(UpdateFlow, OlderFileIsRefusedUnlessAllowedTheRunningVersionIsNot)
{
    const wxString older = OsFile("1.4.1");
    EXPECT_EQ(Update(older), Error("Firmware file is too old."));
    EXPECT_THAT(DeviceCommands(), testing::Not(Contains("datadisk")));
    EXPECT_EQ(Update(older, "", true), Successful("1.4.1"));
    EXPECT_EQ(Update(OsFile("1.4.1")), Successful("1.4.1"));
}

TEST_F(UpdateFlow, FilesThatAreNoOsFileAreRefusedBeforeAnythingIsSent)
{
    const wxString path = folder + "/broken.zlos";
    wxFFile(path, "w").Write("not a zip archive");
    EXPECT_EQ(Update(path), Error("Invalid firmware file."));
    EXPECT_EQ(Update(folder + "/missing.zlos"),
              Error("Couldn't open the file '" + folder + "/missing.zlos'."));
    EXPECT_THAT(DeviceCommands(), testing::Not(Contains("datadisk")));
}

TEST_F(UpdateFlow, UnknownDeviceVersionStopsAtOnce)
{
    Configure([](sim::DeviceSettings& settings) { settings.version.sdk = ""; });
    sim::Unplug();
    sim::Plug();
    EXPECT_TRUE(WaitFor("the device to be identified",
                        [this] { return connection->IsDeviceIdentified(); }));
    EXPECT_EQ(Update(OsFile("1.5.0")), Error("Device version could not be determined."));
}

TEST_F(UpdateFlow, VersionWithATrailingLineBreakNeverMatches)
{
    EXPECT_EQ(Update(OsFile("1.5.0\n")), Failed("1.5.0"));
    EXPECT_THAT(DiskFiles(), IsEmpty());
}

TEST_F(UpdateFlow, NamesThatCannotTravelAreCleaned)
{
    EXPECT_EQ(Update(OsFile("1.5.0", "my new os.zlos"), KeyFile("a\nkey.zlkey")),
              Successful("1.5.0"));
    EXPECT_THAT(DeviceCommands(), Contains("fwup /my_new_os.zlos /a_key.zlkey"));
    EXPECT_THAT(DiskFiles(), IsEmpty());
    EXPECT_EQ(Update(OsFile("1.5.0", "os.zlos."), ""),
              Error("The file name 'os.zlos.' cannot be used on the Zephlark."));
    // One file on FAT, which ignores letter case.
    EXPECT_EQ(Update(OsFile("1.5.0", "Same.zlos"), KeyFile("same.ZLOS")),
              Error("The file name 'same.ZLOS' cannot be used on the Zephlark."));
}

// A data disk that will not serve: the update's error, what stays on the disk, what the log says.
struct DiskTroubleCase
{
    const char* name;
    std::function<void(sim::DeviceSettings&)> configure;
    const char* reason;
    std::vector<wxString> filesLeft;
    const char* logged;
};

class DiskTrouble : public UpdateFlow, public testing::WithParamInterface<DiskTroubleCase>
{
};

TEST_P(DiskTrouble, EndsTheUpdateWithItsReason)
{
    Configure(GetParam().configure);
    EXPECT_EQ(Update(OsFile("1.5.0")), Error(GetParam().reason));
    EXPECT_EQ(DiskFiles(), GetParam().filesLeft);
    EXPECT_GT(LoggedStartingWith(GetParam().logged), 0u) << GetParam().logged;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DiskTrouble,
    testing::Values(
        DiskTroubleCase{"NeverAppears",
                        [](sim::DeviceSettings& settings) { settings.diskNeverAppears = true; },
                        "Zephlark disk not found.",
                        {},
                        "Waiting for Zephlark disk..."},
        // Found and logged, but only the exact label counts.
        DiskTroubleCase{"LabelInTheWrongCase",
                        [](sim::DeviceSettings& settings) { settings.diskLabel = "zephlark"; },
                        "Zephlark disk not found.",
                        {},
                        "Found Device Disk [zephlark]: "},
        DiskTroubleCase{"RefusesToEject",
                        [](sim::DeviceSettings& settings) { settings.diskRefusesEject = true; },
                        "Zephlark could not be unmounted.",
                        {"ZephlarkOS.zlos"},
                        "Failed to lock "}),
    [](const testing::TestParamInfo<DiskTroubleCase>& info) { return info.param.name; });

TEST_F(UpdateFlow, FilesThatDoNotFitAreNotCopied)
{
    Configure([](sim::DeviceSettings& settings) { settings.diskFreeBytes = 1000; });
    const wxString result = Update(OsFile("1.5.0"), KeyFile());
    EXPECT_TRUE(result.StartsWith(Error("There is not enough space on the Zephlark's disk: ")))
        << result;
    EXPECT_EQ(outcome, UpdateOutcome::Refused);
    EXPECT_THAT(DiskFiles(), IsEmpty());
}

TEST_F(UpdateFlow, FailedCopyIsReported)
{
    // A folder where the copy should go: the disk refuses the file.
    log.OnMessage("Copying files to Zephlark...",
                  [this] { wxMkdir(connection->GetDiskPath() + "/ZephlarkOS.zlos"); });
    EXPECT_EQ(Update(OsFile("1.5.0")), Error("Copy file failed."));
}

TEST_F(UpdateFlow, FailedRemovalIsReported)
{
    log.OnMessage("Cleaning Up...", [this] {
        Configure([](sim::DeviceSettings& settings) {
            std::filesystem::remove(settings.diskFolder / "ZephlarkOS.zlos");
        });
    });
    EXPECT_EQ(Update(OsFile("1.5.0")), Error("Remove file failed."));
}

// A device fault and the text it must produce (in the log, or as the update's error).
struct FaultCase
{
    const char* name;
    sim::InstallFault fault;
    const char* text;
};

std::string FaultName(const testing::TestParamInfo<FaultCase>& info)
{
    return info.param.name;
}

class FailedInstall : public UpdateFlow, public testing::WithParamInterface<FaultCase>
{
};

TEST_P(FailedInstall, CleansUpAndReportsTheUnchangedVersion)
{
    Configure([](sim::DeviceSettings& settings) { settings.installFault = GetParam().fault; });
    EXPECT_EQ(Update(OsFile("1.5.0"), KeyFile()), Failed(sim::kDefaultSdk));
    EXPECT_THAT(DiskFiles(), IsEmpty());
    EXPECT_TRUE(log.Contains(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedInstall,
    testing::Values(FaultCase{"FailedStatus", sim::InstallFault::FailedStatus,
                              "Firmware unpacking error."},
                    FaultCase{"ErrorLine", sim::InstallFault::ErrorLine,
                              "fwup_error: Write error while unpacking"},
                    FaultCase{"Silent", sim::InstallFault::Silent, "Firmware unpacking error."},
                    FaultCase{"NoFlashReport", sim::InstallFault::NoFlashReport,
                              "Waiting for flash complete timeout."}),
    FaultName);

TEST_F(UpdateFlow, FlashReportedBeforeTheDeviceIsIdentifiedAgainCounts)
{
    Configure(
        [](sim::DeviceSettings& settings) { settings.flashDelay = std::chrono::milliseconds{50}; });
    EXPECT_EQ(Update(OsFile("1.5.0")), Successful("1.5.0"));
}

TEST_F(UpdateFlow, StatusWithFailedCountsAsFailedEvenBesideTheReadyText)
{
    log.OnMessage("Installing firmware...",
                  [] { sim::Emit("fwup:Update ready, restarting failed\r\n"); });
    EXPECT_EQ(Update(OsFile("1.5.0")), Failed(sim::kDefaultSdk));
    EXPECT_TRUE(log.Contains("Update ready, restarting failed"));
    EXPECT_THAT(DiskFiles(), IsEmpty());
}

TEST_F(UpdateFlow, OnlyTheExactReadyStatusCountsAsReady)
{
    // With a space after the colon the status is " Update ready, restarting": still unpacking.
    Configure(
        [](sim::DeviceSettings& settings) { settings.installFault = sim::InstallFault::Silent; });
    log.OnMessage("Installing firmware...",
                  [] { sim::Emit("fwup: Update ready, restarting\r\n"); });
    EXPECT_EQ(Update(OsFile("1.5.0")), Failed(sim::kDefaultSdk));
    EXPECT_TRUE(log.Contains("Unpacking firmware:  Update ready, restarting."));
}

class LostDuringInstall : public UpdateFlow, public testing::WithParamInterface<FaultCase>
{
};

TEST_P(LostDuringInstall, EndsWithTheReason)
{
    Configure([](sim::DeviceSettings& settings) { settings.installFault = GetParam().fault; });
    EXPECT_EQ(Update(OsFile("1.5.0")), Error(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LostDuringInstall,
    testing::Values(FaultCase{"StaysAfterReady", sim::InstallFault::StaysAfterReady,
                              "Zephlark is still connected."},
                    FaultCase{"LostInFirstRestart", sim::InstallFault::LostInFirstRestart,
                              "Zephlark could not be found."},
                    FaultCase{"StaysAfterFlash", sim::InstallFault::StaysAfterFlash,
                              "Zephlark is still connected."},
                    FaultCase{"LostInSecondRestart", sim::InstallFault::LostInSecondRestart,
                              "Zephlark could not be found."}),
    FaultName);

// Another device comes back at one of the points where the update waits for its own: the update
// stops there, sends the other device nothing beyond what every connection sends, and leaves the
// disk as it was.
struct SwapCase
{
    const char* name;
    const char* swappedAt; // the step during which the device is swapped
    std::vector<wxString> filesLeft;
};

class DifferentDeviceBack : public UpdateFlow, public testing::WithParamInterface<SwapCase>
{
};

TEST_P(DifferentDeviceBack, StopsAndNamesIt)
{
    log.OnMessage(GetParam().swappedAt, [this] {
        Configure([](sim::DeviceSettings& settings) { settings.version.serialNumber = "OTHER"; });
    });
    EXPECT_EQ(Update(OsFile("1.5.0")),
              Error(wxString::Format("A different Zephlark came back (serial number OTHER). The "
                                     "update stopped without touching it; connect the Zephlark %s "
                                     "again to finish the update.",
                                     sim::kDefaultSerialNumber)));
    // The other device got what every connection sends, and nothing after it.
    const auto commands = DeviceCommands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(commands[commands.size() - 3], "echo off");
    EXPECT_EQ(commands[commands.size() - 2], "version");
    EXPECT_THAT(commands.back(), testing::StartsWith("settime "));
    EXPECT_EQ(DiskFiles(), GetParam().filesLeft);
}

INSTANTIATE_TEST_SUITE_P(
    RestartPoints, DifferentDeviceBack,
    testing::Values(SwapCase{"AfterTheCopies", "Copying files to Zephlark...", {"ZephlarkOS.zlos"}},
                    SwapCase{"AfterTheInstall", "Firmware installed...", {"ZephlarkOS.zlos"}},
                    SwapCase{"AfterTheFlash", "Applying Update...", {"ZephlarkOS.zlos"}},
                    SwapCase{"AfterTheCleanUp", "Cleaning Up...", {}}),
    [](const testing::TestParamInfo<SwapCase>& info) { return info.param.name; });

TEST_F(UpdateFlow, ComputerStaysAwakeOnlyWhileAnUpdateRuns)
{
    bool heldWhileInstalling = false;
    log.OnMessage("Installing firmware...", [&] { heldWhileInstalling = sim::SleepInhibited(); });
    EXPECT_EQ(Update(OsFile("1.5.0")), Successful("1.5.0"));
    EXPECT_TRUE(heldWhileInstalling);
    EXPECT_FALSE(sim::SleepInhibited());
    Configure([](sim::DeviceSettings& settings) { settings.diskNeverAppears = true; });
    EXPECT_EQ(Update(OsFile("1.5.0")), Error("Zephlark disk not found."));
    EXPECT_FALSE(sim::SleepInhibited());
}

struct Interruption
{
    const char* name;
    const char* at;   // the step the program dies in
    const char* step; // as the journal has it
};

// The program dies (here: the run is cut by an exception) at a step; started again, it finds the
// journal, and the recovery leaves the device's disk empty.
class InterruptedUpdate : public UpdateFlow, public testing::WithParamInterface<Interruption>
{
};

TEST_P(InterruptedUpdate, IsFinishedByTheRecovery)
{
    struct Killed
    {
    };
    if (GetParam().at)
        log.OnMessage(GetParam().at, [] { throw Killed{}; });
    else // half way through the first copy, a partial file on the disk
        progress.onFraction = [] { throw Killed{}; };
    EXPECT_THROW(Update(OsFile("1.5.0"), KeyFile()), Killed);
    progress.onFraction = nullptr;
    // The program starts again: the device is on its data disk, or went on installing by itself.
    connection = std::make_unique<DeviceConnection>(nullptr);
    if (!connection->HasDataDisk())
        ASSERT_TRUE(FirmwareUpdate(*connection, progress).WaitForDevice(std::chrono::seconds{300}));

    const auto unfinished = FirmwareUpdate::UnfinishedFor(*connection);
    ASSERT_TRUE(unfinished);
    EXPECT_EQ(unfinished->step, GetParam().step);
    EXPECT_THAT(unfinished->copiedNames, ElementsAre("ZephlarkOS.zlos", "ZephlarkOS.zlkey"));
    EXPECT_THAT(FirmwareUpdate(*connection, progress).Recover(*unfinished).text.ToStdString(),
                testing::StartsWith("Update Finished"));
    EXPECT_THAT(DiskFiles(), IsEmpty());
    EXPECT_FALSE(FirmwareUpdate::UnfinishedFor(*connection));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InterruptedUpdate,
    testing::Values(Interruption{"WhileCopying", nullptr, "copying"},
                    Interruption{"WhileInstalling", "Installing firmware...", "installing"},
                    Interruption{"WhileCleaningUp", "Cleaning Up...", "cleaning"}),
    [](const testing::TestParamInfo<Interruption>& info) { return info.param.name; });

TEST_F(UpdateFlow, EachStepIsLogged)
{
    Update(OsFile("1.5.0"));
    for (const char* step :
         {"Comparing firmware versions...", "Restarting Zephlark...",
          "Waiting for Zephlark disk...", "Copying files to Zephlark...", "Ejecting Zephlark...",
          "Installing firmware...", "Firmware installed...", "Waiting for Zephlark to restart...",
          "Applying Update...", "Cleaning Up..."})
        EXPECT_TRUE(log.Contains(step)) << step;
}

// The connection's eject calls the platform only for a disk it found.
TEST_F(UpdateFlow, EjectWithoutADiskTriesNothing)
{
    connection->EjectDataDisk();
    EXPECT_FALSE(log.Contains("Failed to open device for for eject: "));
}

} // namespace
