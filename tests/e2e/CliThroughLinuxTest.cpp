// The real zephlark-cli as a child process through the real Linux layer: the simulated device
// plugged into a umockdev testbed (which the child inherits through umockdev's preload) and the
// mock udisks2 on a private bus (DBUS_SYSTEM_BUS_ADDRESS). The device runs in real time with short
// timings.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "CliChild.h"
#include "MockUDisks.h"
#include "PluggedSimDevice.h"
#include "PrivateBus.h"
#include "ShortDeviceDelays.h"
#include "Testbed.h"
#include "sim/SampleOsFile.h"

namespace {

using Lines = std::vector<std::string>;

// The device plugged in, a private bus with the mock udisks2 and a home with an OS file.
class CliThroughLinux : public UmockdevTest
{
protected:
    void SetUp() override
    {
        UmockdevTest::SetUp();
        if (!testbed)
            return;
        ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();
        ASSERT_TRUE(udisks.Start()) << "no mock udisks2 on the private bus, test refused";
        device = std::make_unique<PluggedSimDevice>(*testbed, udisks);
        device->WithDevice(ShortDeviceDelays);
        std::filesystem::create_directories(home);
        ASSERT_TRUE(sim::WriteSampleOsFile(osFile, "1.5.0"));
        // A journal that a failed run left must not greet the next test.
        setenv("XDG_STATE_HOME", (bus.Folder() + "/state").c_str(), 1);
    }

    PrivateBus bus;
    const std::string home = bus.Folder() + "/home";
    const std::string osFile = home + "/ZephlarkOS.zlos";
    MockUDisks udisks{bus, bus.Folder() + "/media"};
    std::unique_ptr<PluggedSimDevice> device;
};

// Two devices: the second, named by its serial number, is updated on its own drive alone, not on
// another device's disk listed first and labelled alike, and the first's port, listed first, is
// never opened. They are told apart as USB tells them apart: the second's USB device has its
// serial number and another port, and udisks2 gives its drive no Serial, so only the USB port
// that libudev finds above the block device ties the disk to it.
TEST_F(CliThroughLinux, UpdateOfTheNamedSecondKeepsToItsOwnDrive)
{
    PluggedSimDevice second(*testbed, udisks, DevicePlace{"ZL-000124", "1-2", "sdc", true});
    second.WithDevice(ShortDeviceDelays);
    MockDrive another{"Zephlark_sda"};
    another.serial = "ZL-000100";
    udisks.Add(another, {"sda1"});
    const CliRun run = RunCliChild(ZEPHLARK_CLI, {"update", osFile, "--serial", "ZL-000124"}, {},
                                   home + "/stderr");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.Values("result", "serial"), Lines{"ZL-000124"});
    EXPECT_EQ(run.Values("result", "device_version"), Lines{"1.5.0"});
    const std::string eject = "Eject " + second.DriveName();
    EXPECT_EQ(udisks.Calls(),
              (Lines{"Mount sdc1", "Unmount sdc1", eject, "Mount sdc1", "Unmount sdc1", eject}));
    EXPECT_TRUE(std::filesystem::is_empty(second.DiskFolder()));
    // The first device was never opened.
    device->WithDevice([](sim::SimDevice& d) { EXPECT_EQ(d.Commands(), Lines{}); });
}

// The device leaves and comes back while the console follows it: unplugged and plugged again
// once the departure is marked, then re-enumerated (gone and back before the console looks again).
TEST_F(CliThroughLinux, ConsoleMarksEachDepartureAndArrivalBetweenTheLines)
{
    Lines story; // the marks and the device's version reports, in order
    const auto follow = [&](const CliEvent& event, pid_t pid) {
        if (event.at("event") == "device")
            story.push_back(event.at("state"));
        else if (event.at("event") == "log" && event.at("text") == "serial#=ZL-000123")
            story.push_back("report");
        else
            return;
        const auto reports = std::count(story.begin(), story.end(), "report");
        if (story.back() == "disconnected" && reports == 1)
            device->WithDevice([](sim::SimDevice& d) { d.SetPlugged(true); });
        else if (story.back() == "report" && reports == 1)
            device->WithDevice([](sim::SimDevice& d) { d.SetPlugged(false); });
        else if (story.back() == "report" && reports == 2)
            device->WithDevice([](sim::SimDevice& d) { d.Reenumerate(); });
        else if (story.back() == "report")
            kill(pid, SIGINT);
    };
    // A console that missed the replug would follow forever: timeout ends it (exit code 124).
    // --foreground: otherwise timeout passes a Ctrl+C on twice, which leaves at once.
    const CliRun run =
        RunCliChild("/usr/bin/timeout", {"--foreground", "20", ZEPHLARK_CLI, "console", "--follow"},
                    {}, home + "/stderr", follow);
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_EQ(story, (Lines{"connected", "report", "disconnected", "connected", "report",
                            "disconnected", "connected", "report"}));
    EXPECT_EQ(run.Values("device", "port"),
              (Lines{"/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyACM2"}));
    EXPECT_EQ(run.Values("device", "serial"), (Lines(3, "ZL-000123")));
}

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
    Lines settings{"ZEPHLARK_UDEV_RULES_DIR=" + rules};
    if (!c.udisksAnswers)
        settings.push_back("DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + home + "/no-bus");
    // root may open any node; without these capabilities it is held to the node's mode.
    Lines command{ZEPHLARK_CLI, "doctor"};
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
