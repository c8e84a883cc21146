// Whole firmware updates on the simulated device, each outcome with its exact result text and
// what it leaves on the device's data disk.

#include <gmock/gmock.h>

#include <wx/ffile.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "FileLock.h"
#include "UpdateFlowFixture.h"
#include "UserStateFolder.h"

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
    EXPECT_EQ(result.reasonId, "older-file");
    EXPECT_EQ(result.detail, "The file carries version 1.4.1; the Zephlark runs 1.4.2, which is "
                             "newer. Nothing was sent to the Zephlark.");
    EXPECT_THAT(DeviceCommands(), testing::Not(Contains("datadisk")));
    EXPECT_EQ(Update(older, "", true), Successful("1.4.1"));
    EXPECT_EQ(Update(OsFile("1.4.1")), Successful("1.4.1"));
}

// Every file is read whole before the device is touched, and a run that never touched it leaves
// every journal (here another device's) alone.
TEST_F(UpdateFlow, FilesThatCannotBeUsedAreRefusedBeforeAnythingIsSent)
{
    UpdateJournal other(ZephlarkUserStateFolder(), "OTHER");
    ASSERT_TRUE(other.Save({"OTHER", {}, "copying", "1.5.0"}));
    const wxString path = folder + "/broken.zlos";
    wxFFile(path, "w").Write("not a zip archive");
    EXPECT_EQ(Update(path), Error("Invalid firmware file."));
    EXPECT_EQ(Update(folder + "/missing.zlos"),
              Error("Couldn't open the file '" + folder + "/missing.zlos'."));
    EXPECT_EQ(result.detail, "The file cannot be read: No such file or directory.");
    wxMkdir(folder + "/folder.zlkey");
    EXPECT_EQ(Update(OsFile("1.5.0"), folder + "/folder.zlkey"),
              Error("Couldn't open the file '" + folder + "/folder.zlkey'."));
    EXPECT_EQ(result.detail, "The file cannot be read: it is a folder.");
    EXPECT_EQ(outcome, UpdateOutcome::BadFile);
    // Fits FAT's 255 characters, but its temporary copy's name would not.
    EXPECT_EQ(
        Update(OsFile("1.5.0", wxString('a', 248) + ".zlos")),
        Error("The file name '" + wxString('a', 248) + ".zlos' cannot be used on the Zephlark."));
    EXPECT_THAT(DeviceCommands(), testing::Not(Contains("datadisk")));
    EXPECT_TRUE(other.Load());
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

// The data disk fails the update: its error and detail, what stays on the disk, what the log
// says. Every exit after "datadisk" returns the device to serial mode with the run's files
// removed when it can; only then does the journal go.
struct DiskTroubleCase
{
    const char* name;
    std::function<void(sim::DeviceSettings&)> configure;
    const char* reason;
    const char* reasonId;
    const char* detail;
    std::vector<wxString> filesLeft;
    const char* logged;
    bool journalKept;
};

class DiskTrouble : public UpdateFlow, public testing::WithParamInterface<DiskTroubleCase>
{
};

TEST_P(DiskTrouble, EndsTheUpdateWithItsReason)
{
    Configure(GetParam().configure);
    EXPECT_THAT(Update(OsFile("1.5.0"), KeyFile()).ToStdString(),
                testing::StartsWith(Error(GetParam().reason).ToStdString()));
    EXPECT_EQ(result.reasonId, GetParam().reasonId);
    EXPECT_EQ(result.detail, GetParam().detail);
    EXPECT_EQ(DiskFiles(), GetParam().filesLeft);
    EXPECT_GT(LoggedStartingWith(GetParam().logged), 0u) << GetParam().logged;
    EXPECT_EQ(JournalKept(), GetParam().journalKept);
    EXPECT_EQ(result.recoveryPending, GetParam().journalKept);
    EXPECT_EQ(connection->IsDeviceIdentified(), !GetParam().journalKept);
}

const char* const kUnwound =
    "The update's files were removed and the Zephlark is back in serial mode; nothing was "
    "installed.";
const char* const kNotSeenAndKept =
    "The Zephlark is not seen on USB at the moment. Leave it plugged in: the update is finished "
    "when the program offers it, or with 'zephlark-cli recover'.";

INSTANTIATE_TEST_SUITE_P(
    Faults, DiskTrouble,
    testing::Values(
        DiskTroubleCase{"NeverAppears",
                        [](sim::DeviceSettings& settings) { settings.diskNeverAppears = true; },
                        "Zephlark disk not found.",
                        "disk-not-found",
                        kNotSeenAndKept,
                        {},
                        "Waiting for Zephlark disk...",
                        true},
        // Found and logged, but only the exact label counts.
        DiskTroubleCase{"LabelInTheWrongCase",
                        [](sim::DeviceSettings& settings) { settings.diskLabel = "zephlark"; },
                        "Zephlark disk not found.",
                        "disk-not-found",
                        kNotSeenAndKept,
                        {},
                        "Found Device Disk [zephlark]: ",
                        true},
        DiskTroubleCase{"RefusesToEject",
                        [](sim::DeviceSettings& settings) { settings.diskRefusesEject = true; },
                        "Zephlark could not be unmounted.",
                        "unmount-failed",
                        "The Zephlark is on its data disk. Leave it plugged in: the update is "
                        "finished when the program offers it, or with 'zephlark-cli recover'.",
                        {},
                        "Failed to lock ",
                        true},
        DiskTroubleCase{"CopyReadsBackWrong",
                        [](sim::DeviceSettings& settings) { settings.corruptByteOfNextCopy = 10; },
                        "Copy file failed.",
                        "copy-changed",
                        "The copy on the Zephlark's disk read back different from the file. "
                        "The update's files were removed and the Zephlark is back in serial "
                        "mode; nothing was installed.",
                        {},
                        "Copy of ",
                        false},
        DiskTroubleCase{"Full",
                        [](sim::DeviceSettings& settings) { settings.diskFreeBytes = 1000; },
                        "There is not enough space on the Zephlark's disk: ",
                        "no-space",
                        kUnwound,
                        {},
                        "Copying files to Zephlark...",
                        false}),
    [](const testing::TestParamInfo<DiskTroubleCase>& info) { return info.param.name; });

// The key's copy fails after the OS file's: a folder of the key's name is someone else's, and
// stays; the OS file's copy goes.
TEST_F(UpdateFlow, FailedCopyRemovesTheRunsFilesAndKeepsOthers)
{
    log.OnMessage("Copying files to Zephlark...",
                  [this] { wxMkdir(connection->GetDiskPath() + "/ZephlarkOS.zlkey"); });
    EXPECT_EQ(Update(OsFile("1.5.0"), KeyFile()), Error("Copy file failed."));
    EXPECT_EQ(result.reasonId, "name-taken");
    EXPECT_THAT(DiskFiles(), ElementsAre("ZephlarkOS.zlkey"));
    EXPECT_FALSE(JournalKept());
    EXPECT_TRUE(connection->IsDeviceIdentified());
}

// The bytes installed are the bytes checked: a file replaced after its check (here by an older
// one) fails its copy and is never installed.
TEST_F(UpdateFlow, FileChangedAfterItsCheckIsNeverInstalled)
{
    const wxString path = OsFile("1.5.0");
    log.OnMessage("Restarting Zephlark...", [&] { OsFile("1.0.0"); });
    EXPECT_EQ(Update(path), Error("Copy file failed."));
    EXPECT_EQ(result.detail,
              "The file 'ZephlarkOS.zlos' changed after it was checked. " + wxString(kUnwound));
    EXPECT_THAT(DeviceCommands(), testing::Not(Contains(testing::StartsWith("fwup"))));
    EXPECT_THAT(DiskFiles(), IsEmpty());
}

// A file on the device's disk that the run did not write stays: the OS file picked from the disk
// itself is used as it is.
TEST_F(UpdateFlow, FilePickedFromTheDevicesDiskStays)
{
    const std::filesystem::path disk = std::filesystem::path(folder.utf8_string()) / "disk";
    std::filesystem::create_directory(disk);
    Configure([&](sim::DeviceSettings& settings) { settings.diskFolder = disk; });
    EXPECT_EQ(Update(OsFile("1.5.0", "disk/ZephlarkOS.zlos")), Successful("1.5.0"));
    EXPECT_THAT(DiskFiles(), ElementsAre("ZephlarkOS.zlos"));
}

// Flashed and running the new version is a successful update, whatever the clean-up meets; the
// journal stays for the file left on the device.
TEST_F(UpdateFlow, CleanUpThatFailsAfterTheFlashStillReportsTheUpdate)
{
    log.OnMessage("Cleaning Up...", [this] {
        Configure([](sim::DeviceSettings& settings) { settings.diskNeverAppears = true; });
    });
    EXPECT_EQ(Update(OsFile("1.5.0")), Successful("1.5.0"));
    EXPECT_THAT(result.detail.ToStdString(),
                testing::StartsWith("The clean-up did not finish (Zephlark disk not found.): a "
                                    "file of the update was left on the Zephlark and will be "
                                    "removed."));
    EXPECT_TRUE(result.recoveryPending);
    EXPECT_TRUE(JournalKept());
}

// A device fault and the text it must produce in the log, and the result's detail.
struct FaultCase
{
    const char* name;
    sim::InstallFault fault;
    const char* text;
    const char* detail = "";
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
    EXPECT_EQ(result.detail, GetParam().detail);
    EXPECT_THAT(DiskFiles(), IsEmpty());
    EXPECT_TRUE(log.Contains(GetParam().text));
    EXPECT_FALSE(JournalKept());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedInstall,
    testing::Values(
        FaultCase{"FailedStatus", sim::InstallFault::FailedStatus, "Firmware unpacking error.",
                  "The Zephlark reported: Unpacking failed"},
        FaultCase{"ErrorLine", sim::InstallFault::ErrorLine,
                  "fwup_error: Write error while unpacking",
                  "The Zephlark reported: Write error while unpacking"},
        FaultCase{"Silent", sim::InstallFault::Silent, "Firmware unpacking error.",
                  "The Zephlark did not report the end of its install within 90 seconds."},
        FaultCase{"NoFlashReport", sim::InstallFault::NoFlashReport,
                  "Waiting for flash complete timeout.",
                  "The Zephlark did not report a finished flash within 120 seconds."}),
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

// The device, lost or stuck, keeps the update's file: the journal stays for the recovery.
TEST_P(LostDuringInstall, EndsWithTheReasonAndKeepsTheJournal)
{
    Configure([](sim::DeviceSettings& settings) { settings.installFault = GetParam().fault; });
    EXPECT_EQ(Update(OsFile("1.5.0")), Error(GetParam().text));
    EXPECT_TRUE(JournalKept());
    EXPECT_TRUE(result.recoveryPending);
    EXPECT_THAT(result.detail.ToStdString(),
                testing::HasSubstr("Files of the update are still on its disk."));
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
    bool flashed = false; // the update's own device had flashed the new version by then
};

class DifferentDeviceBack : public UpdateFlow, public testing::WithParamInterface<SwapCase>
{
};

TEST_P(DifferentDeviceBack, StopsAndNamesIt)
{
    log.OnMessage(GetParam().swappedAt, [this] {
        Configure([](sim::DeviceSettings& settings) { settings.version.serialNumber = "OTHER"; });
    });
    const wxString swapped = wxString::Format(
        "A different Zephlark came back (serial number OTHER). The update stopped without "
        "touching it; connect the Zephlark %s again to finish the update.",
        sim::kDefaultSerialNumber);
    if (GetParam().flashed) {
        EXPECT_EQ(Update(OsFile("1.5.0")), Successful("1.5.0"));
        EXPECT_THAT(result.detail.ToStdString(), testing::HasSubstr(swapped.ToStdString()));
    } else {
        EXPECT_EQ(Update(OsFile("1.5.0")), Error(swapped));
    }
    EXPECT_TRUE(JournalKept());
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
                    SwapCase{"AfterTheCleanUp", "Cleaning Up...", {}, true}),
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
    const char* at;           // the step the program dies in; null: half way through the copy
    bool journal;             // the run had touched the device
    const char* finalVersion; // once recovered
};

// The program dies (here: the run is cut by an exception, which frees its lock as the system
// would) at a step. Started again at once, or once the device has had time to do what it would,
// it finds the journal, and the recovery leaves the device back in serial mode with an empty disk,
// and says truly whether the update completed.
class InterruptedUpdate : public UpdateFlow,
                          public testing::WithParamInterface<std::tuple<Interruption, bool>>
{
};

TEST_P(InterruptedUpdate, IsFinishedByTheRecoveryAtOnceOrLater)
{
    const auto& [point, later] = GetParam();
    struct Killed
    {
    };
    bool armed = true;
    const auto kill = [&armed] {
        if (std::exchange(armed, false))
            throw Killed{};
    };
    if (point.at)
        log.OnMessage(point.at, kill);
    else
        progress.onFraction = kill;
    EXPECT_THROW(Update(OsFile("1.5.0"), KeyFile()), Killed);
    progress.onFraction = nullptr;
    StartAgain();
    if (later) {
        LetTimePass(std::chrono::minutes{10});
        StartAgain();
    }
    const auto unfinished = FirmwareUpdate::UnfinishedFor(*connection);
    ASSERT_EQ(unfinished.has_value(), point.journal);
    if (unfinished) {
        const UpdateResult recovered = FirmwareUpdate(*connection, progress).Recover(*unfinished);
        const bool completed = wxString(point.finalVersion) == "1.5.0";
        EXPECT_EQ(recovered.outcome, completed ? UpdateOutcome::Successful : UpdateOutcome::Failed);
        EXPECT_EQ(recovered.deviceVersion, point.finalVersion);
        if (!completed) {
            EXPECT_EQ(recovered.detail, "The interrupted update to version 1.5.0 did not "
                                        "complete: the Zephlark runs 1.4.2. Its files were "
                                        "removed; run the update again.");
        }
    }
    EXPECT_THAT(DiskFiles(), IsEmpty());
    EXPECT_FALSE(JournalKept());
    EXPECT_TRUE(connection->IsDeviceIdentified());
    wxString version;
    connection->GetVersionInfo(nullptr, nullptr, &version);
    EXPECT_EQ(version, point.finalVersion);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InterruptedUpdate,
    testing::Combine(
        testing::Values(Interruption{"BeforeDatadisk", "Restarting Zephlark...", false, "1.4.2"},
                        Interruption{"WhileCopying", nullptr, true, "1.4.2"},
                        Interruption{"AfterTheCopy", "Ejecting Zephlark...", true, "1.4.2"},
                        Interruption{"WhileInstalling", "Installing firmware...", true, "1.5.0"},
                        Interruption{"WhileFlashing", "Applying Update...", true, "1.5.0"},
                        Interruption{"WhileCleaningUp", "Cleaning Up...", true, "1.5.0"}),
        testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<Interruption, bool>>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) ? "Later" : "AtOnce");
    });

// Journals the program did not write as they are: each is refused, or honoured only as far as
// it proves, and nothing it names that is not the update's own leaves the disk.
struct HostileJournal
{
    const char* name;
    const char* file; // in the state folder
    std::string text;
    bool onItsDisk; // the device shows only its data disk when the program starts
    std::vector<wxString> filesLeft;
    const char* result;
};

class HostileJournals : public UpdateFlow, public testing::WithParamInterface<HostileJournal>
{
};

TEST_P(HostileJournals, RemoveOnlyWhatTheyProve)
{
    const auto disk = std::filesystem::path(folder.utf8_string()) / "disk";
    std::filesystem::create_directories(disk);
    Configure([&](sim::DeviceSettings& settings) { settings.diskFolder = disk; });
    for (const char* name : {"ZephlarkOS.zlos", "ZephlarkOS.zlos.part", "user.txt"})
        wxFFile((disk / name).string(), "w").Write("a user's bytes");
    std::filesystem::create_directories(folder.utf8_string() + "/state/zephlark-utility");
    wxFFile(folder + "/state/zephlark-utility/" + GetParam().file, "w").Write(GetParam().text);
    if (GetParam().onItsDisk) {
        connection->EnterDataDisk();
        StartAgain();
    }
    const auto unfinished = FirmwareUpdate::UnfinishedFor(*connection);
    const wxString text =
        unfinished ? FirmwareUpdate(*connection, progress).Recover(*unfinished).text : "";
    EXPECT_THAT(text.ToStdString(), testing::StartsWith(GetParam().result));
    EXPECT_EQ(DiskFiles(), GetParam().filesLeft);
}

const std::string kOtherSha = std::string(64, '0');

INSTANTIATE_TEST_SUITE_P(
    Journals, HostileJournals,
    testing::Values(HostileJournal{"NameLeavingTheDisk",
                                   "update-journal",
                                   "zephlark-update-journal 1\nserial=ZL-000123\nstep=copying\n"
                                   "os-version=1.5.0\ncopied=../disk/user.txt\nend\n",
                                   false,
                                   {"ZephlarkOS.zlos", "ZephlarkOS.zlos.part", "user.txt"},
                                   ""},
                    HostileJournal{
                        "AnotherDevicesSeenOnItsDisk",
                        "update-journal",
                        "zephlark-update-journal 1\nserial=OTHER\nstep=copying\n"
                        "os-version=1.5.0\ncopied=ZephlarkOS.zlos\ncopied=user.txt\nend\n",
                        true,
                        {"ZephlarkOS.zlos", "ZephlarkOS.zlos.part", "user.txt"},
                        "Update Error\n\nA different Zephlark came back (serial number ZL-000123)"},
                    HostileJournal{"FilesOfOtherContents",
                                   "update-journal-ZL-000123",
                                   "zephlark-update-journal 2\nserial=ZL-000123\nstep=copying\n"
                                   "os-version=1.5.0\nfile=" +
                                       kOtherSha + " 14 ZephlarkOS.zlos\nend\n",
                                   true,
                                   {"ZephlarkOS.zlos", "user.txt"},
                                   "Update Failed"},
                    HostileJournal{"EarlierProgramsForThisDevice",
                                   "update-journal",
                                   "zephlark-update-journal 1\nserial=ZL-000123\nstep=copying\n"
                                   "os-version=1.4.2\ncopied=ZephlarkOS.zlos\nend\n",
                                   true,
                                   {"user.txt"},
                                   "Update Finished"}),
    [](const testing::TestParamInfo<HostileJournal>& info) { return info.param.name; });

// A stop before "datadisk" sends nothing; after it, the run's files go and the device returns;
// once the install has begun the device is followed to its end and its version tells.
struct StopCase
{
    const char* name;
    const char* at;
    UpdateOutcome outcome;
    const char* version;
};

class StopRequested : public UpdateFlow, public testing::WithParamInterface<StopCase>
{
};

TEST_P(StopRequested, EndsWhereTheDeviceIsSafe)
{
    log.OnMessage(GetParam().at, [this] { progress.stop = true; });
    Update(OsFile("1.5.0"), KeyFile());
    EXPECT_EQ(outcome, GetParam().outcome);
    EXPECT_EQ(result.deviceVersion, GetParam().version);
    EXPECT_THAT(DiskFiles(), IsEmpty());
    EXPECT_FALSE(JournalKept());
    EXPECT_TRUE(connection->IsDeviceIdentified());
}

INSTANTIATE_TEST_SUITE_P(
    Points, StopRequested,
    testing::Values(
        StopCase{"WhileChecking", "Comparing firmware versions...", UpdateOutcome::Stopped,
                 "1.4.2"},
        StopCase{"WhileCopying", "Copying files to Zephlark...", UpdateOutcome::Stopped, "1.4.2"},
        StopCase{"WhileReturning", "Ejecting Zephlark...", UpdateOutcome::Stopped, "1.4.2"},
        StopCase{"WhileInstalling", "Installing firmware...", UpdateOutcome::Successful, "1.5.0"}),
    [](const testing::TestParamInfo<StopCase>& info) { return info.param.name; });

// One update or recovery of a device at a time: another holder of its lock refuses this one at
// once, before anything is sent.
TEST_F(UpdateFlow, SecondUpdateOfTheSameDeviceIsRefused)
{
    const FileLock held(ZephlarkUserStateFolder() + "/update-journal-ZL-000123.lock");
    ASSERT_EQ(held.GetState(), FileLock::State::Held);
    EXPECT_EQ(Update(OsFile("1.5.0")), Error("Another program is updating the Zephlark."));
    EXPECT_EQ(outcome, UpdateOutcome::Busy);
    EXPECT_TRUE(FirmwareUpdate::AnotherUpdateRuns(sim::kDefaultSerialNumber));
    EXPECT_EQ(FirmwareUpdate(*connection, progress)
                  .Recover({sim::kDefaultSerialNumber, {}, "copying", "1.5.0"})
                  .outcome,
              UpdateOutcome::Busy);
    EXPECT_THAT(DeviceCommands(), testing::Not(Contains("datadisk")));
}

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
