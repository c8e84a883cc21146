// zephlark-cli, the real program, through the real Linux layer: the simulated device plugged into
// a umockdev testbed (which the child inherits through umockdev's preload) and the mock udisks2 on
// a private bus (DBUS_SYSTEM_BUS_ADDRESS).

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "CliChild.h"
#include "MockUDisks.h"
#include "PluggedSimDevice.h"
#include "PrivateBus.h"
#include "Testbed.h"
#include "sim/SampleOsFile.h"

namespace {

using namespace std::chrono_literals;

class CliThroughLinux : public UmockdevTest
{
protected:
    void SetUp() override
    {
        UmockdevTest::SetUp();
        if (!testbed)
            return;
        ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();
        bus.BecomeSystemBus();
        ASSERT_TRUE(udisks.Start(bus.Address()));
        device = std::make_unique<PluggedSimDevice>(*testbed, udisks);
        device->WithDevice([](sim::SimDevice& d) {
            auto& settings = d.Settings();
            settings.diskDelay = settings.ejectReturnDelay = settings.restartDelay = 300ms;
            settings.restartNoticeDelay = 200ms;
            settings.installStepDelay = 50ms;
            settings.flashDelay = 300ms;
        });
        std::filesystem::create_directories(home);
    }

    CliRun Run(const std::vector<std::string>& arguments)
    {
        return RunCliChild(ZEPHLARK_CLI, arguments, {}, home + "/stderr");
    }

    PrivateBus bus;
    const std::string home = bus.Folder() + "/home";
    MockUDisks udisks{bus.Folder() + "/media"};
    std::unique_ptr<PluggedSimDevice> device;
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
