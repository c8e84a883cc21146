#pragma once

// The simulated device plugged into a umockdev testbed with short device timings, the mock
// udisks2 on the private bus that stands for the system bus, and a home for the user's files: what
// every end-to-end test through the real Linux layer starts from.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "MockUDisks.h"
#include "PluggedSimDevice.h"
#include "PrivateBus.h"
#include "Testbed.h"
#include "sim/SimDevice.h"

// Short, yet each long enough for the program to read what the device said before it leaves USB.
inline void ShortTimings(sim::DeviceSettings& settings)
{
    settings.diskDelay = std::chrono::milliseconds{300};
    settings.ejectReturnDelay = std::chrono::milliseconds{300};
    settings.restartDelay = std::chrono::milliseconds{300};
    settings.restartNoticeDelay = std::chrono::milliseconds{200};
    settings.installStepDelay = std::chrono::milliseconds{50};
    settings.flashDelay = std::chrono::milliseconds{300};
}

// The device plugged in, a private bus with the mock udisks2, a home for the user's files.
class PluggedDevice : public UmockdevTest
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
        device->WithDevice([](sim::SimDevice& d) { ShortTimings(d.Settings()); });
        std::filesystem::create_directories(home);
        // A journal that a failed run left must not greet the next test.
        setenv("XDG_STATE_HOME", (bus.Folder() + "/state").c_str(), 1);
    }

    void TearDown() override
    {
        second.reset();
        device.reset();
    }

    // A second device beside the first, told apart as USB tells them apart: its USB device has
    // its serial number and another port; udisks2 gives its drive no Serial, so only the USB port
    // that libudev finds above the block device ties the disk to it.
    PluggedSimDevice& PlugSecondDevice()
    {
        second = std::make_unique<PluggedSimDevice>(
            *testbed, udisks, DevicePlace{"ZL-000124", "1-2", "sdc", true, false});
        second->WithDevice([](sim::SimDevice& d) { ShortTimings(d.Settings()); });
        return *second;
    }

    // Every command the first device got.
    std::vector<std::string> DeviceCommands()
    {
        std::vector<std::string> commands;
        device->WithDevice([&commands](sim::SimDevice& d) { commands = d.Commands(); });
        return commands;
    }

    PrivateBus bus;
    const std::string home = bus.Folder() + "/home";
    MockUDisks udisks{bus, bus.Folder() + "/media"};
    std::unique_ptr<PluggedSimDevice> device;
    std::unique_ptr<PluggedSimDevice> second; // once plugged
};
