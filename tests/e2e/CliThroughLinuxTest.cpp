// zephlark-cli, the real program, through the real Linux layer: the simulated device plugged into
// a umockdev testbed (which the child inherits through umockdev's preload) and the mock udisks2 on
// a private bus (DBUS_SYSTEM_BUS_ADDRESS).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CliChild.h"
#include "PluggedDeviceTest.h"
#include "sim/SampleOsFile.h"

namespace {

class CliThroughLinux : public PluggedDevice
{
protected:
    CliRun Run(const std::vector<std::string>& arguments)
    {
        return RunCliChild(ZEPHLARK_CLI, arguments, {}, home + "/stderr");
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

} // namespace
