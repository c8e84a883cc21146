// Whole firmware updates on the simulated device, each outcome with its exact result text and
// what it leaves on the device's data disk.

#include <gmock/gmock.h>

#include <wx/ffile.h>

#include <functional>
#include <utility>

#include "FileLock.h"
#include "UpdateFlowFixture.h"
#include "UserStateFolder.h"

namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::IsEmpty;

// A name that cannot travel in the install command or onto FAT is cleaned; a file on the device's
// disk that the run did not write stays: the key picked from the disk itself is used as it is.
TEST_F(UpdateFlow, UpdateWithAKeyInstallsAndCleansUp)
{
    const std::filesystem::path disk = std::filesystem::path(folder.utf8_string()) / "disk";
    std::filesystem::create_directory(disk);
    Configure([&](sim::DeviceSettings& settings) { settings.diskFolder = disk; });
    bool awakeWhileInstalling = false;
    log.OnMessage("Installing firmware...", [&] { awakeWhileInstalling = sim::SleepInhibited(); });
    EXPECT_EQ(Update(OsFile("1.5.0", "my new os.zlos"), KeyFile("disk/ZephlarkOS.zlkey")),
              Successful("1.5.0"));
    EXPECT_THAT(DeviceCommands(), Contains("fwup /my_new_os.zlos /ZephlarkOS.zlkey"));
    EXPECT_THAT(DiskFiles(), ElementsAre("ZephlarkOS.zlkey"));
    EXPECT_FALSE(JournalKept());
    EXPECT_TRUE(awakeWhileInstalling);
    EXPECT_FALSE(sim::SleepInhibited());
}

// Every file is read whole, every name and the versions checked and the device's lock taken before
// the device is touched, and a run that never touched it leaves every journal (here another
// device's) alone. An older file goes ahead only when allowed; the running version is no older.
TEST_F(UpdateFlow, UpdatesThatCannotGoAheadAreRefusedBeforeAnythingIsSent)
{
    UpdateJournal other(ZephlarkUserStateFolder(), "OTHER");
    ASSERT_TRUE(other.Save({"OTHER", {}, "copying", "1.5.0"}));
    const wxString path = folder + "/broken.zlos";
    wxFFile(path, "w").Write("not a zip archive");
    EXPECT_EQ(Update(path), Error("Invalid firmware file."));
    EXPECT_EQ(Update(folder + "/missing.zlos"),
              Error("Couldn't open the file '" + folder + "/missing.zlos'."));
    EXPECT_EQ(result.detail, "The file cannot be read: No such file or directory.");
    EXPECT_EQ(result.outcome, UpdateOutcome::BadFile);
    // Fits FAT's 255 characters, but its temporary copy's name would not.
    EXPECT_EQ(
        Update(OsFile("1.5.0", wxString('a', 248) + ".zlos")),
        Error("The file name '" + wxString('a', 248) + ".zlos' cannot be used on the Zephlark."));
    // One file on FAT, which ignores letter case.
    EXPECT_EQ(Update(OsFile("1.5.0", "Same.zlos"), KeyFile("same.ZLOS")),
              Error("The file name 'same.ZLOS' cannot be used on the Zephlark."));
    const wxString older = OsFile("1.4.1");
    EXPECT_EQ(Update(older), Error("Firmware file is too old."));
    EXPECT_EQ(result.detail, "The file carries version 1.4.1; the Zephlark runs 1.4.2, which is "
                             "newer. Nothing was sent to the Zephlark.");
    {
        // One update or recovery of a device at a time.
        const FileLock held(ZephlarkUserStateFolder() + "/update-journal-ZL-000123.lock");
        ASSERT_EQ(held.GetState(), FileLock::State::Held);
        EXPECT_EQ(Update(older, "", true), Error("Another program is updating the Zephlark."));
        EXPECT_EQ(result.outcome, UpdateOutcome::Busy);
        EXPECT_TRUE(FirmwareUpdate::AnotherUpdateRuns(sim::kDefaultSerialNumber));
        EXPECT_EQ(FirmwareUpdate(*connection, progress)
                      .Recover({sim::kDefaultSerialNumber, {}, "copying", "1.5.0"})
                      .outcome,
                  UpdateOutcome::Busy);
    }
    EXPECT_THAT(DeviceCommands(), testing::Not(Contains("datadisk")));
    EXPECT_TRUE(other.Load());
    EXPECT_EQ(Update(older, "", true), Successful("1.4.1"));
    EXPECT_EQ(Update(OsFile("1.4.1")), Successful("1.4.1"));
}

class UpdateFaults;
using Action = std::function<void(UpdateFaults&)>;

// Something goes wrong in an update of an OS file and a key, before it starts or at one of its
// steps: the result's text, reason and detail, the files left on the device's disk, and whether
// the journal stays for a recovery. Every exit after "datadisk" returns the device to serial mode
// with the run's files removed when it can; only then does the journal go. The computer may sleep
// again whatever the end.
struct Fault
{
    const char* name;
    const char* at; // the step whose message sets off the action; null: before the update
    Action action;
    const char* text; // the result's text holds it
    const char* reasonId;
    const char* detail; // the result's detail holds it
    std::vector<wxString> filesLeft;
    bool journalKept;
    const char* fileVersion = "1.5.0";
};

class UpdateFaults : public UpdateFlow, public testing::WithParamInterface<Fault>
{
};

TEST_P(UpdateFaults, EndWithTheirReasonAndLeaveTheDeviceSafe)
{
    const Fault& fault = GetParam();
    if (fault.at)
        log.OnMessage(fault.at, [this, &fault] { fault.action(*this); });
    else
        fault.action(*this);
    EXPECT_THAT(Update(OsFile(fault.fileVersion), KeyFile()).ToStdString(),
                testing::HasSubstr(fault.text));
    EXPECT_EQ(result.reasonId, fault.reasonId);
    EXPECT_THAT(result.detail.ToStdString(), testing::HasSubstr(fault.detail));
    EXPECT_EQ(DiskFiles(), fault.filesLeft);
    EXPECT_EQ(JournalKept(), fault.journalKept);
    EXPECT_EQ(result.recoveryPending, fault.journalKept);
    EXPECT_FALSE(sim::SleepInhibited());
    // Nothing reaches a device beside the one updated: not its port, not its disk.
    const size_t other = 1 - updated;
    EXPECT_EQ(sim::Written(other), "");
    EXPECT_THAT(DiskFiles(other), IsEmpty());
}

template <typename Field, typename Value> Action Set(Field sim::DeviceSettings::*field, Value value)
{
    return [field, value](UpdateFaults&) {
        sim::WithDevice([&](sim::SimDevice& device) { device.Settings().*field = value; });
    };
}

Action Install(sim::InstallFault fault)
{
    return Set(&sim::DeviceSettings::installFault, fault);
}

const Action kKeyNameTaken = [](UpdateFaults&) {
    sim::WithDevice([](sim::SimDevice& device) {
        std::filesystem::create_directory(device.Settings().diskFolder / "ZephlarkOS.zlkey");
    });
};

const Action kReadyWithASpace = [](UpdateFaults& test) {
    Install(sim::InstallFault::Silent)(test);
    test.log.OnMessage("Installing firmware...",
                       [] { sim::Emit("fwup: Update ready, restarting\r\n"); });
};

const Action kStop = [](UpdateFaults& test) { test.progress.stop = true; };
// The second device plugged in serial mode and identified, while the first shows its data disk,
// listed before any other: the update is to keep to the second.
const Action kSecondDevice = [](UpdateFaults& test) {
    sim::WithDevice([](sim::SimDevice& device) { device.Receive("datadisk\n"); });
    sim::Plug(1);
    test.updated = 1;
    test.updatedSerial = "ZL-000124";
    test.Await("the second Zephlark beside the first's disk", [&test] {
        return test.connection->IsDeviceIdentified() &&
               test.connection->GetSerialNumber() == test.updatedSerial &&
               test.connection->HasDataDisk();
    });
    sim::ClearWritten(0);
};
const Action kSecondDeviceLost = [](UpdateFaults& test) {
    kSecondDevice(test);
    sim::WithDevice(
        [](sim::SimDevice& device) {
            device.Settings().installFault = sim::InstallFault::LostInFirstRestart;
        },
        1);
};
const Action kOtherDevice = [](UpdateFaults&) {
    sim::WithDevice(
        [](sim::SimDevice& device) { device.Settings().version.serialNumber = "OTHER"; });
};

const char* const kUnwound = "files were removed and the Zephlark is back in serial mode";
const char* const kKept = "Leave it plugged in: the update is finished";
const char* const kFilesStay = "Files of the update are still on its disk.";
const char* const kOtherBack = "(serial number OTHER). The update stopped without touching it";
const char* const kNotFound = "Update Error\n\nZephlark disk not found.";
const char* const kCopyFailed = "Update Error\n\nCopy file failed.";
const char* const kStopped = "Update Error\n\nStopped on request.";
const char* const kFailed = "Update Failed\n\nDevice firmware version is: 1.4.2.";
const char* const kStillThere = "Update Error\n\nZephlark is still connected.";
const char* const kLost = "Update Error\n\nZephlark could not be found.";
const char* const kDone = "Update Successful\n\nDevice firmware version is: 1.5.0.";
const std::vector<wxString> kNone;
const std::vector<wxString> kBoth{"ZephlarkOS.zlkey", "ZephlarkOS.zlos"};
const std::vector<wxString> kKeyName{"ZephlarkOS.zlkey"};

INSTANTIATE_TEST_SUITE_P(
    Steps, UpdateFaults,
    testing::Values(
        // Found and logged, but only the exact label counts.
        Fault{"DiskLabelInTheWrongCase", nullptr,
              Set(&sim::DeviceSettings::diskLabel, std::string("zephlark")), kNotFound,
              "disk-not-found", kKept, kNone, true},
        Fault{"DiskRefusesEject", nullptr, Set(&sim::DeviceSettings::diskRefusesEject, true),
              "Update Error\n\nZephlark could not be unmounted.", "unmount-failed",
              "The Zephlark is on its data disk.", kNone, true},
        Fault{"DiskFull", nullptr, Set(&sim::DeviceSettings::diskFreeBytes, uint64_t{1000}),
              "Update Error\n\nThere is not enough space on the Zephlark's disk: ", "no-space",
              kUnwound, kNone, false},
        Fault{"CopyReadsBackWrong", nullptr,
              Set(&sim::DeviceSettings::corruptByteOfNextCopy, uint64_t{10}), kCopyFailed,
              "copy-changed", "read back different from the file.", kNone, false},
        // The key's copy fails after the OS file's: a folder of the key's name is someone
        // else's, and stays; the OS file's copy goes.
        Fault{"NameTakenOnTheDisk", "Copying files to Zephlark...", kKeyNameTaken, kCopyFailed,
              "name-taken", kUnwound, kKeyName, false},
        // The bytes installed are the bytes checked: a file replaced after its check (here by an
        // older one) is never installed.
        Fault{"FileChangedAfterItsCheck", "Restarting Zephlark...",
              [](UpdateFaults& test) { test.OsFile("1.0.0"); }, kCopyFailed, "copy-changed",
              "The file 'ZephlarkOS.zlos' changed after it was checked.", kNone, false},
        Fault{"StopWhileChecking", "Comparing firmware versions...", kStop, kStopped, "stopped",
              "Nothing was sent to the Zephlark.", kNone, false},
        Fault{"StopWhileRestarting", "Restarting Zephlark...", kStop, kStopped, "stopped",
              "Nothing was sent to the Zephlark.", kNone, false},
        Fault{"StopWhileCopying", "Copying files to Zephlark...", kStop, kStopped, "stopped",
              kUnwound, kNone, false},
        Fault{"StopWhileReturning", "Ejecting Zephlark...", kStop, kStopped, "stopped", kUnwound,
              kNone, false},
        // From the install command on, the device is followed to its end.
        Fault{"StopWhileInstalling", "Installing firmware...", kStop, kDone, "", "", kNone, false},
        Fault{"UnpackingFails", nullptr, Install(sim::InstallFault::FailedStatus), kFailed,
              "device-error", "The Zephlark reported: Unpacking failed", kNone, false},
        Fault{"UnpackingReportsAnError", nullptr, Install(sim::InstallFault::ErrorLine), kFailed,
              "device-error", "The Zephlark reported: Write error while unpacking", kNone, false},
        // With a space after the colon the status is " Update ready, restarting": still
        // unpacking, so the device's silence fails the install.
        Fault{"ReadyStatusWithASpace", nullptr, kReadyWithASpace, kFailed, "install-timeout",
              "within 90 seconds.", kNone, false},
        Fault{"NoFlashReport", nullptr, Install(sim::InstallFault::NoFlashReport), kFailed,
              "no-flash-report", "did not report a finished flash within 120 seconds.", kNone,
              false},
        // The first device's disk, listed first and labelled as the second's, is not the second's.
        Fault{"SecondOfTwoDevices", nullptr, kSecondDevice, kDone, "", "", kNone, false},
        // The first, plugged in beside it all along, did not come in its place.
        Fault{"SecondOfTwoLost", nullptr, kSecondDeviceLost, kLost, "device-not-found", kFilesStay,
              kBoth, true},
        Fault{"FlashReportedBeforeTheDeviceIsIdentifiedAgain", nullptr,
              Set(&sim::DeviceSettings::flashDelay, std::chrono::milliseconds{50}), kDone, "", "",
              kNone, false},
        Fault{"VersionWithATrailingLineBreak", nullptr, [](UpdateFaults&) {},
              "Update Failed\n\nDevice firmware version is: 1.5.0.", "version-differs",
              "the file carries 1.5.0\n.", kNone, false, "1.5.0\n"},
        // The device, lost or stuck, keeps the update's files: the journal stays for the
        // recovery.
        Fault{"StaysAfterReady", nullptr, Install(sim::InstallFault::StaysAfterReady), kStillThere,
              "still-connected", kFilesStay, kBoth, true},
        Fault{"StaysAfterFlash", nullptr, Install(sim::InstallFault::StaysAfterFlash), kStillThere,
              "still-connected", kFilesStay, kBoth, true},
        Fault{"LostInSecondRestart", nullptr, Install(sim::InstallFault::LostInSecondRestart),
              kLost, "device-not-found", kFilesStay, kBoth, true},
        // Flashed and running the new version is a successful update, whatever the clean-up
        // meets; the journal stays for the files left on the device.
        Fault{"CleanUpFindsNoDisk", "Cleaning Up...",
              Set(&sim::DeviceSettings::diskNeverAppears, true), kDone, "",
              "The clean-up did not finish (Zephlark disk not found.)", kBoth, true},
        // Another device comes back where the update waits for its own: the update stops there,
        // sends it nothing and leaves the disk as it was.
        Fault{"OtherDeviceAfterTheCopies", "Waiting for Zephlark...", kOtherDevice, kOtherBack,
              "other-device", kKept, kBoth, true},
        Fault{"OtherDeviceAfterTheInstall", "Firmware installed...", kOtherDevice, kOtherBack,
              "other-device", kKept, kBoth, true},
        Fault{"OtherDeviceAfterTheCleanUp", "Cleaning Up...", kOtherDevice, kDone, "", kOtherBack,
              kBoth, true}),
    [](const testing::TestParamInfo<Fault>& info) { return info.param.name; });

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

// Journals the program did not write as they are, found while the device shows only its data disk
// (or is in serial mode): each is refused, or honoured only as far as it proves, and nothing it
// names that is not the update's own leaves the disk.
struct HostileJournal
{
    const char* name;
    const char* file; // in the state folder
    std::string text;
    std::vector<wxString> filesLeft;
    const char* result;
    bool onDisk = true;
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
    if (GetParam().onDisk)
        connection->EnterDataDisk();
    StartAgain();
    const auto journals = UpdateJournal::LoadAll(ZephlarkUserStateFolder());
    ASSERT_EQ(journals.size(), 1u);
    const wxString text = FirmwareUpdate(*connection, progress).Recover(journals.front()).text;
    EXPECT_THAT(text.ToStdString(), testing::StartsWith(GetParam().result));
    EXPECT_EQ(DiskFiles(), GetParam().filesLeft);
}

const std::string kOtherSha = std::string(64, '0');
const std::string kUsersBytesSha =
    "39aeebc66047866c26150ce2d5fe9fff43809ef3b1cd9129f6a8ef84360900e7";
const char* const kAnotherCameBack =
    "Update Error\n\nA different Zephlark came back (serial number ZL-000123)";

INSTANTIATE_TEST_SUITE_P(
    Journals, HostileJournals,
    testing::Values(
        HostileJournal{"AnotherDevicesSeenOnItsDisk",
                       "update-journal",
                       "zephlark-update-journal 1\nserial=OTHER\nstep=copying\n"
                       "os-version=1.5.0\ncopied=ZephlarkOS.zlos\ncopied=user.txt\nend\n",
                       {"ZephlarkOS.zlos", "ZephlarkOS.zlos.part", "user.txt"},
                       kAnotherCameBack},
        // Offered for one device, recovered once another took its place: its files' contents
        // are proven, yet the newcomer's disk is not touched.
        HostileJournal{"AnotherDevicesInSerialMode",
                       "update-journal-OTHER",
                       "zephlark-update-journal 2\nserial=OTHER\nstep=copying\n"
                       "os-version=1.5.0\nfile=" +
                           kUsersBytesSha + " 14 ZephlarkOS.zlos\nend\n",
                       {"ZephlarkOS.zlos", "ZephlarkOS.zlos.part", "user.txt"},
                       kAnotherCameBack,
                       false},
        HostileJournal{"FilesOfOtherContents",
                       "update-journal-ZL-000123",
                       "zephlark-update-journal 2\nserial=ZL-000123\nstep=copying\n"
                       "os-version=1.5.0\nfile=" +
                           kOtherSha + " 14 ZephlarkOS.zlos\nend\n",
                       {"ZephlarkOS.zlos", "user.txt"},
                       "Update Failed"},
        HostileJournal{"EarlierProgramsForThisDevice",
                       "update-journal",
                       "zephlark-update-journal 1\nserial=ZL-000123\nstep=copying\n"
                       "os-version=1.4.2\ncopied=ZephlarkOS.zlos\nend\n",
                       {"user.txt"},
                       "Update Finished"}),
    [](const testing::TestParamInfo<HostileJournal>& info) { return info.param.name; });

// The connection's eject calls the platform only for a disk it found.
TEST_F(UpdateFlow, EjectWithoutADiskTriesNothing)
{
    connection->EjectDataDisk();
    EXPECT_FALSE(log.Contains("Failed to open device for for eject: "));
}

} // namespace
