// Whole firmware updates through the program's real Linux layer: discovery and hot-plug notices
// through libudev from a umockdev testbed, the termios port on the device's pseudo-terminal, the
// data disk through udisks2 (a mock on a private bus) and a real folder. The simulated device runs
// in real time with short timings. The program runs in this process, or in processes of its own
// (zephlark_update_program) when it is killed half way.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DataDisk.h"
#include "FileBytes.h"
#include "update/FirmwareUpdate.h"
#include "LogCapture.h"
#include "MainFrame.h"
#include "update/UpdateJournal.h"
#include "UserStateFolder.h"
#include "PluggedDeviceTest.h"
#include "WaitFor.h"
#include "deviceconnection.h"
#include "sim/SampleOsFile.h"
#include "sim/SimDevice.h"

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

class UpdateThroughLinux : public PluggedDevice
{
protected:
    void SetUp() override
    {
        PluggedDevice::SetUp();
        if (!device)
            return;
        // After the testbed, so that the window's udev monitor hears the testbed's notices.
        frame = new MainFrame("Zephlark Utility");
        frame->Show();
        ASSERT_TRUE(WaitFor("the device to be identified",
                            [this] { return frame->deviceConnection->IsDeviceIdentified(); }));
    }

    void TearDown() override
    {
        if (frame) {
            frame->Close(true);
            WaitFor("the window to go", [] { return wxTopLevelWindows.empty(); });
        }
        PluggedDevice::TearDown();
    }

    std::vector<wxString> PortsConnected()
    {
        std::vector<wxString> ports;
        wxString port;
        for (const auto& message : log.Messages()) {
            if (message.StartsWith("Device Connected: ", &port))
                ports.push_back(port);
        }
        return ports;
    }

    LogCapture log;
    MainFrame* frame = nullptr;
};

TEST_F(UpdateThroughLinux, InstallsFromTheDataDiskAndCleansUp)
{
    const std::string osFile = home + "/ZephlarkOS.zlos";
    const std::string keyFile = home + "/ZephlarkOS.zlkey";
    ASSERT_TRUE(sim::WriteSampleOsFile(osFile, "1.5.0"));
    WriteBytes(keyFile, "key material");

    EXPECT_EQ(frame->UpdateFirmware(osFile, keyFile, false).text,
              "Update Successful\n\nDevice firmware version is: 1.5.0.");

    // Each time the device came back, the program opened its new port: at the start, after the
    // copy's eject, after each of the install's two restarts and after the clean-up's eject.
    EXPECT_EQ(PortsConnected(),
              (std::vector<wxString>{"/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyACM2", "/dev/ttyACM3",
                                     "/dev/ttyACM4"}));
    // The program mounted the disk each time it came and unmounted and ejected it when done.
    const std::string drive = device->DriveName();
    EXPECT_EQ(udisks.Calls(), (Lines{"Mount sdb1", "Unmount sdb1", "Eject " + drive, "Mount sdb1",
                                     "Unmount sdb1", "Eject " + drive}));
    EXPECT_TRUE(std::filesystem::is_empty(device->DiskFolder()));
}

class QuietProgress : public FirmwareUpdateProgress
{
    void Pulse(const wxString&) override {}
    void Fraction(const wxString&, double) override {}
};

using TwoDevicesThroughLinux = PluggedDevice;

// The second of two devices updated through a connection pinned to it, as the window's chooser or
// --serial pins it, while the first shows its data disk, listed first and labelled alike: the
// files go to the second's drive alone, and the first's port is never opened.
TEST_F(TwoDevicesThroughLinux, UpdateOfTheSecondKeepsToItsOwnDrive)
{
    PluggedSimDevice& updated = PlugSecondDevice();
    const std::string osFile = home + "/ZephlarkOS.zlos";
    ASSERT_TRUE(sim::WriteSampleOsFile(osFile, "1.5.0"));
    LogCapture log;
    DeviceConnection connection(nullptr);
    connection.PinDevice(updated.Identity());
    ASSERT_TRUE(WaitFor("the second device", [&] { return connection.IsDeviceIdentified(); }));
    log.OnMessage("Restarting Zephlark...", [this] {
        device->WithDevice([](sim::SimDevice& d) { d.Receive("datadisk\n"); });
        WaitUntil("the first's disk", [] { return !ListZephlarkDisks().empty(); });
    });

    QuietProgress progress;
    EXPECT_EQ(FirmwareUpdate(connection, progress).Run(osFile, "", false).text,
              "Update Successful\n\nDevice firmware version is: 1.5.0.");
    const std::string drive = updated.DriveName();
    EXPECT_EQ(udisks.Calls(), (Lines{"Mount sdc1", "Unmount sdc1", "Eject " + drive, "Mount sdc1",
                                     "Unmount sdc1", "Eject " + drive}));
    EXPECT_EQ(DeviceCommands(), Lines{"datadisk"});
    EXPECT_FALSE(log.Contains("Device Connected: /dev/ttyACM0"));
    EXPECT_TRUE(std::filesystem::is_empty(device->DiskFolder()));
}

// The program killed half way through an update and started again by the user; both runs share
// the test's state folder, where the journal is.
class KilledUpdate : public PluggedDevice
{
protected:
    static std::string ProgramPath()
    {
        const auto here = std::filesystem::read_symlink("/proc/self/exe").parent_path();
        return (here / "zephlark_update_program").string();
    }

    // Back in serial mode for good with the system it installed on its own.
    bool DeviceRuns(const std::string& build)
    {
        bool runs = false;
        device->WithDevice([&](sim::SimDevice& d) {
            runs = d.Face() == sim::UsbFace::Serial && !d.HasScheduledActions() &&
                   d.Settings().version.build == build;
        });
        return runs;
    }
};

TEST_F(KilledUpdate, IsFinishedWhenTheProgramStartsAgain)
{
    const std::string osFile = home + "/ZephlarkOS.zlos";
    const std::string updateLog = bus.Folder() + "/update.log";
    ASSERT_TRUE(sim::WriteSampleOsFile(osFile, "1.5.0"));

    ChildProcess updating({ProgramPath(), "update", osFile}, updateLog);
    ASSERT_TRUE(updating.Started());
    ASSERT_TRUE(WaitUntil(
        "the install command",
        [this] {
            const Lines commands = DeviceCommands();
            return std::count(commands.begin(), commands.end(), "fwup /ZephlarkOS.zlos") > 0;
        },
        20s))
        << updating.Output();
    updating.Kill();
    // The device goes on installing alone; its disk keeps the copy, the journal says how far the
    // update got. The program starts again at once: its recovery waits for the install's end
    // instead of switching the device to its disk in the middle of it.
    EXPECT_FALSE(std::filesystem::is_empty(device->DiskFolder()));
    UpdateJournal journal(ZephlarkUserStateFolder(), sim::kDefaultSerialNumber);
    const auto record = journal.Load();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->step, "installing");

    const std::string resultFile = bus.Folder() + "/result";
    const std::string answerLog = bus.Folder() + "/answer.log";
    ChildProcess answering({ProgramPath(), "answer", resultFile}, answerLog);
    EXPECT_EQ(answering.WaitForExit(30s), 0) << answering.Output();

    EXPECT_EQ(ReadBytes(resultFile), "Update Finished\n\nThe files of an interrupted update were "
                                     "removed from the Zephlark.\n\nDevice firmware version is: "
                                     "1.5.0.");
    EXPECT_TRUE(DeviceRuns("1.5.0"));
    EXPECT_TRUE(std::filesystem::is_empty(device->DiskFolder()));
    EXPECT_FALSE(journal.Load());
}

} // namespace
