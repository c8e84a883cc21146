// zephlark-cli-sim run as a child process against its simulated device: exit codes, the JSON
// lines it writes, the device it chooses, Ctrl+C in each phase of an update and the recovery after
// it. The choice's rule is also fed directly, for what the simulation does not mix: devices with
// and without a USB serial, and a device on its data disk alone.

#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/filename.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "CliChild.h"
#include "FileLock.h"
#include "cli/DeviceChoice.h"
#include "sim/SampleOsFile.h"

namespace {

const std::string kUnplugged = "ZEPHLARK_SIM_UNPLUGGED=1";
const std::string kTwo = "ZEPHLARK_SIM_DEVICES=2";

std::vector<std::string> SplitAtSpaces(const std::string& line)
{
    std::istringstream words(line);
    return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

// Names each test of a table after its row.
const auto RowName = [](const auto& info) { return std::string(info.param.name); };

class CliSim : public testing::Test
{
protected:
    CliSim()
    {
        char pattern[] = "/tmp/zephlark-cli-XXXXXX";
        folder = mkdtemp(pattern);
    }
    ~CliSim() override { wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE); }

    std::string OsFile(const std::string& version)
    {
        const std::string path = folder + "/ZephlarkOS.zlos";
        EXPECT_TRUE(sim::WriteSampleOsFile(path, version));
        return path;
    }

    // Of either simulated device.
    bool JournalKept() const
    {
        const std::string journal = folder + "/state/zephlark-utility/update-journal-ZL-00012";
        return wxFileExists(journal + "3") || wxFileExists(journal + "4");
    }

    // The command line and the settings ("NAME=value" each) are split at spaces; each
    // "OS:<version>" in the command line stands for a new OS file of that version.
    CliRun Run(const std::string& command, const std::string& settings = "",
               const std::function<void(const CliEvent&, pid_t)>& onEvent = {},
               size_t linesRead = SIZE_MAX)
    {
        std::vector<std::string> arguments = SplitAtSpaces(command);
        for (std::string& argument : arguments)
            if (argument.rfind("OS:", 0) == 0)
                argument = OsFile(argument.substr(3));
        std::vector<std::string> environment = SplitAtSpaces(settings);
        environment.push_back("XDG_STATE_HOME=" + folder + "/state");
        environment.push_back("ZEPHLARK_SIM_QUICK=1");
        return RunCliChild(ZEPHLARK_CLI_SIM, arguments, environment, folder + "/stderr", onEvent,
                           linesRead);
    }

    std::string folder;
};

struct ExitCase
{
    const char* name;
    std::string command;
    std::string settings;
    int exitCode;
    const char* told = "";       // a part of the result's text
    bool updateLocked = false;   // another program updates the Zephlark
    size_t linesRead = SIZE_MAX; // then the output is closed, as by "| head"
};

class CliExitCodes : public CliSim, public testing::WithParamInterface<ExitCase>
{
};

TEST_P(CliExitCodes, EndWithTheirCodeAndOneResult)
{
    std::optional<FileLock> held;
    if (GetParam().updateLocked) {
        wxFileName::Mkdir(folder + "/state/zephlark-utility", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        held.emplace(folder + "/state/zephlark-utility/update-journal-ZL-000123.lock");
    }
    const CliRun run = Run(GetParam().command, GetParam().settings, {}, GetParam().linesRead);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_FALSE(JournalKept());
    if (GetParam().linesRead != SIZE_MAX)
        return; // its result was not read
    ASSERT_FALSE(run.events.empty());
    const CliEvent& result = run.events.back();
    EXPECT_EQ(result.at("event"), "result");
    EXPECT_EQ(result.at("exit_code"), GetParam().exitCode);
    EXPECT_EQ(result.at("ok"), GetParam().exitCode == 0);
    EXPECT_NE(Text(result, "text").find(GetParam().told), std::string::npos) << result;
}

const std::vector<ExitCase> kCommands = {
    {"WaitZeroFindsAPluggedDevice", "info --wait 0", "", 0},
    {"FollowingConsoleHonoursWait", "console --follow --wait 0", kUnplugged, 3},
    {"PortHeldByAnotherProgram", "update OS:1.5.0", "ZEPHLARK_SIM_BUSY=1", 4},
    {"OptionOfAnotherCommand", "info --yes", "", 2, "not an option of info"},
    {"OptionsBeforeTheCommand", "--wait=0 info", kUnplugged, 3},
    {"WordsAfterDoubleDash", "update -- -x", "", 2, "open the file '-x'"},
    {"VersionAsJson", "--version", "", 0},
    {"OlderFileRefused", "update OS:1.4.1", "", 5, "--allow-older"},
    {"NoOsFileToldWithNoDevice", "update /proc/self/exe --wait 1", kUnplugged, 2},
    {"ResetNeedsYes", "reset", "", 2},
    {"Reset", "reset --yes", "", 0},
    {"NothingToRecover", "recover", "", 0},
    {"NamedPortAbsent", "info --port simACM7 --wait 0", kTwo, 3, "on the port simACM7"},
    {"DoctorMissesTheNamedDevice", "doctor --serial ZL-000999", kTwo, 6},
    {"UpdateReadByHeadFinishes", "update OS:1.5.0", "", 0, "", false, 3},
    {"AllNamesNoDevice", "update OS:1.5.0 --all --port simACM0", "", 2, "no --serial or --port"},
    {"AllWithNoDevice", "update OS:1.5.0 --all --wait 0", kUnplugged, 3},
    // The first device's update is held by another program: its child takes a lone update's branch.
    {"AllTellsWhichFailed", "update OS:1.5.0 --all", kTwo, 4,
     "ZL-000123 (simACM0): busy; Another program", true},
};
INSTANTIATE_TEST_SUITE_P(Commands, CliExitCodes, testing::ValuesIn(kCommands), RowName);

struct SelectionCase
{
    const char* name;
    std::string command;
    std::string settings;
    int exitCode;
    std::set<std::string> opened;         // the ports the command opened
    std::vector<std::string> listed = {}; // each device it listed: serial number [and version]
};

class CliDeviceSelection : public CliSim, public testing::WithParamInterface<SelectionCase>
{
};

// Only the named device's port is ever opened; with several and none named, none is, and they
// are listed.
TEST_P(CliDeviceSelection, OpensOnlyTheChosenDevice)
{
    const CliRun run = Run(GetParam().command, GetParam().settings);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    std::set<std::string> opened;
    for (const std::string& text : run.Values("log", "text"))
        if (text.rfind("Device Connected: ", 0) == 0)
            opened.insert(text.substr(18));
    EXPECT_EQ(opened, GetParam().opened);
    std::vector<std::string> listed;
    for (const CliEvent& event : run.events)
        if (event.at("event") == "device" && event.at("state") == "listed")
            listed.push_back(Text(event, "serial") +
                             (event.contains("version") ? " " + Text(event, "version") : ""));
    EXPECT_EQ(listed, GetParam().listed);
}

const std::string kSecondByDefault = kTwo + " ZEPHLARK_SERIAL=ZL-000124";

const std::vector<SelectionCase> kSelections = {
    // With no USB serial each is asked in turn until one says it.
    {"BySerialAnswered",
     "info --serial ZL-000124",
     "ZEPHLARK_SIM_DEVICES=3 ZEPHLARK_SIM_NO_USB_SERIAL=1",
     0,
     {"simACM0", "simACM1"}},
    {"ByEnvironment", "info", kSecondByDefault, 0, {"simACM1"}},
    {"NamedBeatsEnvironment", "info --port simACM0", kSecondByDefault, 0, {"simACM0"}},
    {"PortAndSerial", "info --port simACM0 --serial ZL-000123", "", 2, {}},
    {"NamedAbsent", "recover --serial ZL-000999 --wait 0", kTwo, 3, {}},
    {"SeveralUpdateRefused", "update OS:1.5.0", kTwo, 7, {}, {"ZL-000123", "ZL-000124"}},
    {"ListAsksEach",
     "list",
     kTwo + " ZEPHLARK_SIM_VERSION=1.5.0",
     0,
     {"simACM0", "simACM1"},
     {"ZL-000123 1.5.0", "ZL-000124 1.5.0"}},
    {"ListOfNone", "list", kUnplugged, 0, {}},
};
INSTANTIATE_TEST_SUITE_P(Devices, CliDeviceSelection, testing::ValuesIn(kSelections), RowName);

// What the simulation does not mix: two devices with a USB serial (at "1-1", "1-2"), one without
// ("1-3"), one on its data disk only ("1-4").
TEST(DeviceChoiceRule, ChoosesOrAsksOnlyThatDevice)
{
    const std::vector<ListedPort> devices = {{"ttyACM0", {"ZL-000123", "1-1"}},
                                             {"ttyACM1", {"ZL-000124", "1-2"}},
                                             {"ttyACM2", {"", "1-3"}},
                                             {"", {"ZL-000126", "1-4"}}};
    const DeviceChoice onDisk = ChooseDevice({"", "ZL-000126"}, devices, {});
    EXPECT_EQ(onDisk.kind, DeviceChoiceKind::Device);
    EXPECT_EQ(onDisk.device.identity.location, "1-4");
    // Only the device without a USB serial may be the one: it alone is asked.
    const DeviceChoice unknown = ChooseDevice({"", "ZL-000125"}, devices, {});
    EXPECT_EQ(unknown.kind, DeviceChoiceKind::Ask);
    EXPECT_EQ(unknown.device.identity.location, "1-3");
}

// Both at the same time, each event tagged with its device: each one's steps, its copy's and its
// install's progress and its result; then the whole. An older file, allowed: each child is told.
TEST_F(CliSim, UpdateAllUpdatesEachDeviceAtOnceAndSumsUp)
{
    const CliRun run = Run("update OS:1.4.1 --allow-older --all", kTwo);
    ASSERT_EQ(run.exitCode, 0);
    std::map<std::string, std::vector<std::string>> stepsOf; // by tag
    std::map<std::string, std::string> stepIds;              // each step text's id
    std::map<std::string, std::vector<double>> fractions;    // by port and step id
    std::map<std::string, size_t> firstAt;                   // by port and step id
    for (size_t index = 0; index < run.events.size(); ++index) {
        const CliEvent& event = run.events[index];
        const std::string portStep = Text(event, "port") + " " + Text(event, "step");
        firstAt.emplace(portStep, index);
        if (event.at("event") == "step" && event.contains("port")) {
            stepsOf[Text(event, "port") + " " + Text(event, "serial")].push_back(event.at("step"));
            stepIds[event.at("text")] = event.at("step");
        }
        if (event.at("event") == "progress")
            fractions[portStep].push_back(event.at("fraction"));
    }
    EXPECT_EQ(stepsOf["simACM0 ZL-000123"], stepsOf["simACM1 ZL-000124"]);
    EXPECT_EQ(stepIds["Copying files to Zephlark..."], "copying");
    EXPECT_EQ(stepIds["Applying Update..."], "flashing");
    // The copy's bytes, and the device's "fwup:" statuses with their percentages.
    for (const char* step :
         {"simACM0 copying", "simACM0 installing", "simACM1 copying", "simACM1 installing"}) {
        ASSERT_GT(fractions[step].size(), 1u) << step;
        EXPECT_TRUE(std::is_sorted(fractions[step].begin(), fractions[step].end())) << step;
        EXPECT_EQ(fractions[step].back(), 1.0) << step;
    }
    // One device did not wait for the other's end.
    EXPECT_LT(firstAt.at("simACM1 copying"), firstAt.at("simACM0 cleaning-up"));
    EXPECT_LT(firstAt.at("simACM0 copying"), firstAt.at("simACM1 cleaning-up"));
    EXPECT_EQ(run.Values("result", "port"), (std::vector<std::string>{"simACM0", "simACM1"}));
    EXPECT_EQ(run.Values("result", "serial"), (std::vector<std::string>{"ZL-000123", "ZL-000124"}));
    EXPECT_EQ(run.Values("result", "text").front(),
              "Update Successful\n\nDevice firmware version is: 1.4.1.");
    // Each device's outcome, reason and versions, as its result gave them.
    EXPECT_EQ(Text(run.events.back(), "text"),
              "ZL-000123 (simACM0): successful; device 1.4.1, file 1.4.1\n"
              "ZL-000124 (simACM1): successful; device 1.4.1, file 1.4.1\n"
              "2 of 2 Zephlarks updated.");
}

TEST_F(CliSim, ConsoleTellsTheDevicesLinesApartAndEndsWithItsResultOnCtrlC)
{
    const CliRun run = Run("console", "", [](const CliEvent& event, pid_t pid) {
        if (event.at("event") == "log" && event.at("text") == "serial#=ZL-000123")
            kill(pid, SIGINT);
    });
    EXPECT_EQ(run.exitCode, 130);
    // The device's own text, apart from the program's messages ("Device Connected: simACM0").
    const auto deviceText = run.Values("log", "source");
    EXPECT_EQ(std::count(deviceText.begin(), deviceText.end(), "device"), 5);
    EXPECT_EQ(run.events.back().at("event"), "result");
}

// Without --json too: the device's control bytes reach the terminal as text, never as commands.
TEST_F(CliSim, HumanConsoleShowsTheDevicesControlBytesEscaped)
{
    std::string shown;
    RunReadingLines({ZEPHLARK_CLI_SIM, "console"}, folder + "/stderr",
                    {"ZEPHLARK_SIM_VERSION=1.5\x1b[2J\a"}, [&](const std::string& line, pid_t pid) {
                        shown += line + "\n";
                        if (line.find("SDK=") != std::string::npos)
                            kill(pid, SIGINT);
                        return true;
                    });
    EXPECT_NE(shown.find(" SDK=1.5\\u001b[2J\\u0007\n"), std::string::npos) << shown;
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                            [](char c) { return c >= 0 && c < ' ' && c != '\n'; }),
              0);
}

struct InterruptCase
{
    const char* name;
    std::string command;
    std::string settings;
    const char* interruptAtStep;
    int signal; // SIGINT: Ctrl+C; SIGHUP: the terminal went away
    bool twice; // the second Ctrl+C once the first was acknowledged: it alone keeps the journal
    int exitCode;
};

class CliInterrupt : public CliSim, public testing::WithParamInterface<InterruptCase>
{
};

// A Ctrl+C stops the update where the device is safe. Left while the Zephlark may be installing,
// the recovery waits for the install's end: stopped there, it keeps the journal; run again once
// the install is done, it finishes.
TEST_P(CliInterrupt, StopsWhereTheDeviceIsSafeAndRecoverFinishes)
{
    const InterruptCase& c = GetParam();
    int sent = 0;
    const CliRun run =
        Run(c.command + " --wait 30", c.settings, [&](const CliEvent& event, pid_t pid) {
            const bool atStep =
                event.at("event") == "step" && event.at("text") == c.interruptAtStep;
            const bool acknowledged =
                event.at("event") == "log" && Text(event, "text").rfind("Ctrl+C:", 0) == 0;
            if ((sent == 0 && atStep) || (sent == 1 && c.twice && acknowledged)) {
                // To the whole process group, as a terminal's Ctrl+C: update --all's children must
                // get it once, from it.
                kill(-pid, c.signal);
                ++sent;
            }
        });
    EXPECT_EQ(sent, c.twice ? 2 : 1);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(JournalKept(), c.twice);
    // Leaving at once writes nothing more; a stop ends with its result.
    EXPECT_EQ(run.events.back().at("event") == "result", !c.twice);
    if (!c.twice)
        return;
    // Until it is finished, doctor and info tell of it.
    const CliRun doctor = Run("doctor");
    EXPECT_EQ(doctor.exitCode, 6);
    EXPECT_EQ(doctor.Values("check", "name").back(), "update-journal");
    EXPECT_EQ(Run("info").Values("device", "pending_update"),
              std::vector<std::string>{"installing"});
    const CliRun stopped = Run("recover", "", [](const CliEvent& event, pid_t pid) {
        if (event.at("event") == "step" &&
            event.at("text") == "Waiting for the Zephlark to finish its install...")
            kill(pid, SIGINT);
    });
    EXPECT_EQ(stopped.exitCode, 130);
    EXPECT_TRUE(JournalKept());
    // Each run simulates a device of its own: this one has finished the install by now.
    const CliRun recovery = Run("recover", "ZEPHLARK_SIM_VERSION=1.5.0");
    EXPECT_EQ(recovery.exitCode, 0);
    EXPECT_EQ(Text(recovery.events.back(), "text").rfind("Update Finished", 0), 0u);
    EXPECT_FALSE(JournalKept());
}

const char kAtDisk[] = "Waiting for Zephlark disk...";
const char kAtInstall[] = "Installing firmware...";

const std::vector<InterruptCase> kPhases = {
    {"ConsoleWithNoDevice", "console", kUnplugged, "Waiting for Zephlark...", SIGINT, false, 130},
    {"OnceDuringTheInstallFollowsIt", "update OS:1.5.0", "", kAtInstall, SIGINT, false, 0},
    // Each device's copy undone: the same stop as a lone device's.
    {"AllAfterDatadiskUndoesEachCopy", "update OS:1.5.0 --all", kTwo, kAtDisk, SIGINT, false, 130},
    {"TwiceDuringTheInstallLeavesAtOnce", "update OS:1.5.0", "", kAtInstall, SIGINT, true, 130},
    // No Ctrl+C can come any more: the update goes on to its end.
    {"HangUpDuringTheCopyFinishes", "update OS:1.5.0", "", "Copying files to Zephlark...", SIGHUP,
     false, 0},
};
INSTANTIATE_TEST_SUITE_P(Phases, CliInterrupt, testing::ValuesIn(kPhases), RowName);

} // namespace
