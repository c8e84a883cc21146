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
    if (!testbed)
        GTEST_SKIP();
    const CliRun run = Run({"info"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.Values("device", "port"), std::vector<std::string>{"/dev/ttyACM0"});
    EXPECT_EQ(run.Values("device", "serial"), std::vector<std::string>{"ZL-000123"});
}

TEST_F(CliThroughLinux, UpdateInstallsThroughTheDataDisk)
{
    if (!testbed)
        GTEST_SKIP();
    const std::string osFile = home + "/ZephlarkOS.zlos";
    ASSERT_TRUE(sim::WriteSampleOsFile(osFile, "1.5.0"));
    const CliRun run = Run({"update", osFile, "--wait", "10"});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events.back().at("text"),
              "Update Successful\n\nDevice firmware version is: 1.5.0.");
    EXPECT_TRUE(std::filesystem::is_empty(device->DiskFolder()));
}

// The device leaves and comes back while the console follows it: unplugged and plugged again
// once the departure is marked, or re-enumerated (gone and back before the console looks again).
class CliConsoleReplug : public CliThroughLinux, public testing::WithParamInterface<bool>
{
};

TEST_P(CliConsoleReplug, MarksTheDepartureAndTheArrivalBetweenTheLines)
{
    if (!testbed)
        GTEST_SKIP();
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
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(story, (std::vector<std::string>{"connected", "report", "disconnected", "connected",
                                               "report"}));
    EXPECT_EQ(run.Values("device", "port"),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyACM1"}));
}

INSTANTIATE_TEST_SUITE_P(Ways, CliConsoleReplug, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Reenumerated" : "UnpluggedAndPluggedAgain";
                         });

} // namespace
