// zephlark-cli, the real program, through the real Linux layer: the simulated device plugged into
// a umockdev testbed (which the child inherits through umockdev's preload) and the mock udisks2 on
// a private bus (DBUS_SYSTEM_BUS_ADDRESS).

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "CliChild.h"
#include "PluggedDeviceTest.h"
#include "sim/SampleOsFile.h"

namespace {

class CliThroughLinux : public PluggedDevice
{
protected:
    CliRun Run(const std::vector<std::string>& arguments,
               const std::function<void(const CliEvent&, pid_t)>& onEvent = {})
    {
        return RunCliChild(ZEPHLARK_CLI, arguments, {}, home + "/stderr", onEvent);
    }
};

TEST_F(CliThroughLinux, InfoNamesTheDevicesTty)
{
    const CliRun run = Run({"info"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.Values("device", "port"), std::vector<std::string>{"/dev/ttyACM0"});
    EXPECT_EQ(run.Values("device", "serial"), std::vector<std::string>{"ZL-000123"});
    EXPECT_EQ(run.Values("device", "sdk"), std::vector<std::string>{sim::kDefaultSdk});
}

// Two devices: the one named by its serial number is updated on its own drive alone (udisks2 gives
// that drive no serial: its USB port ties it to the device), not on another device's disk listed
// first and labelled alike, and the first's port, listed first, is never opened.
TEST_F(CliThroughLinux, UpdateOfTheNamedSecondKeepsToItsOwnDrive)
{
    const std::string drive = PlugSecondDevice().DriveName();
    MockDrive another{"Orvex_Zephlark_ZL_000100"};
    another.serial = "ZL-000100";
    udisks.Add(another);
    udisks.Add(MockFilesystem{"sda1", another.name, "ZEPHLARK", ""});
    const std::string osFile = home + "/ZephlarkOS.zlos";
    ASSERT_TRUE(sim::WriteSampleOsFile(osFile, "1.5.0"));
    const CliRun run = Run({"update", osFile, "--serial", "ZL-000124"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.Values("result", "serial"), std::vector<std::string>{"ZL-000124"});
    EXPECT_EQ(run.Values("result", "device_version"), std::vector<std::string>{"1.5.0"});
    EXPECT_EQ(udisks.Calls(),
              (std::vector<std::string>{"Mount sdc1", "Unmount sdc1", "Eject " + drive,
                                        "Mount sdc1", "Unmount sdc1", "Eject " + drive}));
    EXPECT_EQ(DeviceCommands(), std::vector<std::string>{});
}

// The device leaves and comes back while the console follows it: unplugged and plugged again
// once the departure is marked, or re-enumerated (gone and back before the console looks again).
class CliConsoleReplug : public CliThroughLinux, public testing::WithParamInterface<bool>
{
};

TEST_P(CliConsoleReplug, MarksTheDepartureAndTheArrivalBetweenTheLines)
{
    const bool reenumerated = GetParam();
    const auto change = [this](const std::function<void(sim::SimDevice&)>& f) {
        device->WithDevice(f);
    };
    std::vector<std::string> story; // the marks and the device's version reports, in order
    // A console that missed the replug would follow forever: timeout ends it (exit code 124).
    // --foreground: otherwise timeout passes a Ctrl+C on twice, which leaves at once.
    const CliRun run =
        RunCliChild("/usr/bin/timeout", {"--foreground", "20", ZEPHLARK_CLI, "console", "--follow"},
                    {}, home + "/stderr", [&](const CliEvent& event, pid_t pid) {
                        if (event.at("event") == "device")
                            story.push_back(event.at("state"));
                        if (event.at("event") == "device" && event.at("state") == "disconnected" &&
                            !reenumerated)
                            change([](sim::SimDevice& d) { d.SetPlugged(true); });
                        if (event.at("event") != "log" || event.at("text") != "serial#=ZL-000123")
                            return;
                        story.push_back("report");
                        if (std::count(story.begin(), story.end(), "report") == 2)
                            kill(pid, SIGINT);
                        else if (reenumerated)
                            change([](sim::SimDevice& d) { d.Reenumerate(); });
                        else
                            change([](sim::SimDevice& d) { d.SetPlugged(false); });
                    });
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_EQ(story, (std::vector<std::string>{"connected", "report", "disconnected", "connected",
                                               "report"}));
    EXPECT_EQ(run.Values("device", "port"),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyACM1"}));
    EXPECT_EQ(run.Values("device", "serial"), (std::vector<std::string>{"ZL-000123", "ZL-000123"}));
}

INSTANTIATE_TEST_SUITE_P(Ways, CliConsoleReplug, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Reenumerated" : "UnpluggedAndPluggedAgain";
                         });

// The system as doctor finds it, and what it must report.
enum class Rule
{
    Missing,
    BeforePlug, // installed before the device came
    AfterPlug,  // installed after: the node does not have its effect yet
};

struct DoctorCase
{
    const char* name;
    Rule rule;
    bool portOpen; // the node may be read and written by this user (what the rule gives)
    bool modemManagerRuns;
    bool udisksAnswers;
    const char* failing; // the checks that find something to fix, each followed by a space
    const char* fix;     // a part of the first one's fix
    bool plugged = true;
};

class CliDoctor : public CliThroughLinux, public testing::WithParamInterface<DoctorCase>
{
};

TEST_P(CliDoctor, ExplainsEachProblemWithItsFix)
{
    const DoctorCase& c = GetParam();
    const std::string rules = home + "/rules.d";
    std::filesystem::create_directories(rules);
    const auto install = [&] {
        const std::string rule = rules + "/60-zephlark.rules";
        std::filesystem::copy_file(ZEPHLARK_UDEV_RULE, rule);
        // As a package installs it: with the time it was built as its modification time.
        const utimbuf built{time(nullptr) - 3600, time(nullptr) - 3600};
        ASSERT_EQ(utime(rule.c_str(), &built), 0);
    };
    if (c.rule == Rule::BeforePlug)
        install();
    // udev sets the node's mode when the device comes.
    const std::string node = ptsname(testbed->Master(UsbSerialDevice{"1-1"}));
    ASSERT_EQ(chmod(node.c_str(), c.portOpen ? 0600 : 0), 0);
    if (c.rule == Rule::AfterPlug)
        install();
    if (!c.plugged)
        device->WithDevice([](sim::SimDevice& d) { d.SetPlugged(false); });
    std::vector<std::string> settings{"ZEPHLARK_UDEV_RULES_DIR=" + rules};
    if (!c.udisksAnswers)
        settings.push_back("DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + home + "/no-bus");
    // root may open any node; without these capabilities it is held to the node's mode.
    std::vector<std::string> command{ZEPHLARK_CLI, "doctor"};
    if (getuid() == 0)
        command.insert(command.begin(),
                       {"/usr/bin/setpriv", "--bounding-set", "-dac_override,-dac_read_search"});
    // This process, named so, is the ModemManager that doctor looks for.
    char name[16] = {};
    prctl(PR_GET_NAME, name);
    if (c.modemManagerRuns)
        prctl(PR_SET_NAME, "ModemManager");
    const CliRun run = RunCliChild(command.front(), {command.begin() + 1, command.end()}, settings,
                                   home + "/stderr");
    prctl(PR_SET_NAME, name);

    std::string failing, fix;
    for (const CliEvent& event : run.events)
        if (event.at("event") == "check" && event.at("ok") == false) {
            if (failing.empty())
                fix = Text(event, "fix");
            failing += Text(event, "name") + " ";
        }
    EXPECT_EQ(failing, c.failing);
    EXPECT_EQ(run.exitCode, *c.failing ? 6 : 0);
    EXPECT_NE(fix.find(c.fix), std::string::npos) << fix;
}

INSTANTIATE_TEST_SUITE_P(
    Systems, CliDoctor,
    testing::Values(
        DoctorCase{"NothingWrong", Rule::BeforePlug, true, false, true, "", ""},
        DoctorCase{"ModemManagerKeptOffByTheRule", Rule::BeforePlug, true, true, true, "", ""},
        DoctorCase{"RuleMissing", Rule::Missing, false, true, true, "udev-rule port modemmanager ",
                   "| sudo tee /etc/udev/rules.d/60-zephlark.rules >/dev/null && sudo udevadm"},
        DoctorCase{"RuleAddedAfterThePlug", Rule::AfterPlug, false, false, true, "port ",
                   "udevadm trigger --action=add"},
        DoctorCase{"NotTheSeatsUser", Rule::BeforePlug, false, false, true, "port ", "usermod"},
        DoctorCase{"NoUdisks2", Rule::BeforePlug, true, false, false, "udisks2 ", "udisks2"},
        // As on every platform: a port to check is missing.
        DoctorCase{"NoDevice", Rule::BeforePlug, true, false, true, "port ", "Plug in", false}),
    [](const testing::TestParamInfo<DoctorCase>& info) { return info.param.name; });

} // namespace
