#include "sim/SimDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "LogCapture.h"
#include "MonotonicClock.h"
#include "sim/OsFileVersion.h"
#include "sim/SampleOsFile.h"

namespace {

using namespace std::chrono_literals;
using Transcript = std::vector<std::string>;

constexpr char kOffUsb[] = "[off USB]";
constexpr char kSerial[] = "[serial]";
constexpr char kDisk[] = "[disk]";

// A device with echo off and files on its data disk, run on virtual time by a host that reads
// every line and notices every change of USB face, each noted with the time it happened.
class SimDeviceInstallTest : public testing::Test
{
protected:
    using Event = std::pair<int64_t, std::string>; // milliseconds since the start, what happened

    void SetUp() override
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zephlark-install-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        disk = pattern;
        SetClock(&clock);
        start = clock.Now();
        device.SetPlugged(true);
        device.Settings().diskFolder = disk;
        device.Receive("echo off\n");
        device.TakeOutput(SIZE_MAX);
        ASSERT_TRUE(sim::WriteSampleOsFile(File("update.zlos"), "2.0.0"));
    }
    void TearDown() override
    {
        SetClock(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(disk, ignored);
    }

    wxString File(const std::string& name) const
    {
        return wxString::FromUTF8((disk / name).u8string());
    }

    void WriteFile(const std::string& name, const std::string& data) const
    {
        std::ofstream(disk / name, std::ios::binary) << data;
    }

    void Send(const std::string& line)
    {
        device.Receive(line + "\n");
        Collect();
    }

    // Runs the device for d in 10 ms steps.
    void Run(MonotonicClock::Duration d)
    {
        for (auto left = d; left > 0s; left -= 10ms) {
            clock.Advance(10ms);
            device.RunDueActions();
            Collect();
        }
    }

    Transcript Texts() const
    {
        Transcript texts;
        for (const Event& event : events)
            texts.push_back(event.second);
        return texts;
    }

    std::filesystem::path disk;
    VirtualClock clock;
    sim::SimDevice device;
    std::vector<Event> events;

private:
    void Collect()
    {
        const int64_t at =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - start).count();
        const sim::UsbFace face = device.Face();
        if (face != lastFace)
            events.emplace_back(at, face == sim::UsbFace::Serial ? kSerial
                                    : face == sim::UsbFace::Disk ? kDisk
                                                                 : kOffUsb);
        lastFace = face;
        partial += device.TakeOutput(SIZE_MAX);
        for (size_t end; (end = partial.find("\r\n")) != std::string::npos;) {
            events.emplace_back(at, partial.substr(0, end));
            partial.erase(0, end + 2);
        }
    }

    MonotonicClock::TimePoint start;
    sim::UsbFace lastFace = sim::UsbFace::Serial;
    std::string partial;
};

// The update benchmark accounts for the device's share of an update stage by stage.
TEST_F(SimDeviceInstallTest, EachStageTakesItsOwnSettableTime)
{
    sim::DeviceSettings& settings = device.Settings();
    settings.installStepDelay = 100ms;
    settings.restartNoticeDelay = 30ms;
    settings.restartDelay = 3s;
    settings.flashDelay = 7s;
    Send("fwup /update.zlos");
    Run(20s);
    EXPECT_EQ(events, (std::vector<Event>{{0, "fwup: Checking files"},
                                          {100, "fwup: Unpacking 0%"},
                                          {200, "fwup: Unpacking 25%"},
                                          {300, "fwup: Unpacking 50%"},
                                          {400, "fwup: Unpacking 75%"},
                                          {500, "fwup: Unpacking 100%"},
                                          {600, "fwup:Update ready, restarting"},
                                          {630, kOffUsb},
                                          {3630, kSerial},
                                          {10630, "fwup: flash complete"},
                                          {10660, kOffUsb},
                                          {13660, kSerial}}));
}

// No workflow test draws these answers: the program checks OS files and names before it sends
// them, and every key it is given there is good.
TEST_F(SimDeviceInstallTest, RefusedInstallSaysWhyAndChangesNothing)
{
    WriteFile("empty.zlkey", "");
    WriteFile("text.zlos", "this is no archive\n");
    const std::pair<const char*, std::vector<sim::ArchiveEntry>> archives[] = {
        {"capital.zlos", {{"Version", "2.0.0"}}},
        {"nested.zlos", {{"x/version", "2.0.0"}}},
        {"empty.zlos", {{"version", ""}}},
        {"huge.zlos", {{"version", std::string(sim::kMaxOsVersionBytes + 1, '1')}}},
    };
    for (const auto& [name, entries] : archives)
        ASSERT_TRUE(sim::WriteZipArchive(File(name), entries));

    const std::string checking = "fwup: Checking files";
    const Transcript badKey = {checking, "fwup: Checking key", "fwup: Key check failed"};
    const Transcript usage = {"fwup_error: Usage: fwup /OSFILE [/KEYFILE]"};
    const std::pair<std::string, Transcript> refusals[] = {
        {"fwup /update.zlos /missing.zlkey", badKey},
        {"fwup /update.zlos /empty.zlkey", badKey},
        {"fwup /absent.zlos", {checking, "fwup_error: File not found: /absent.zlos"}},
        {"fwup /text.zlos", {checking, "fwup_error: Not a valid OS file: /text.zlos"}},
        {"fwup /capital.zlos", {checking, "fwup_error: No version in OS file: /capital.zlos"}},
        {"fwup /nested.zlos", {checking, "fwup_error: No version in OS file: /nested.zlos"}},
        {"fwup /empty.zlos", {checking, "fwup_error: No version in OS file: /empty.zlos"}},
        {"fwup /huge.zlos", {checking, "fwup_error: Version too large in OS file: /huge.zlos"}},
        {"fwup", usage},
        {"fwup update.zlos", usage},
        {"fwup /update.zlos /a /b", usage},
        {"fwup /../update.zlos", usage},
        {"fwup /update.zlos  /a", usage},
    };
    for (const auto& [command, lines] : refusals) {
        events.clear();
        Send(command);
        Run(5s);
        EXPECT_EQ(Texts(), lines) << command;
    }

    // With no disk folder the device must not look in the folder the process happens to be in.
    events.clear();
    device.Settings().diskFolder.clear();
    const auto previousFolder = std::filesystem::current_path();
    std::filesystem::current_path(disk);
    Send("fwup /update.zlos");
    std::filesystem::current_path(previousFolder);
    Run(5s);
    EXPECT_EQ(Texts(), (Transcript{checking, "fwup_error: File not found: /update.zlos"}));
    EXPECT_EQ(device.Settings().version.sdk, "1.4.2");
}

// Steps of an abandoned install must not leak into the next one.
TEST_F(SimDeviceInstallTest, OneInstallAtATimeAndDataDiskModeAbandonsIt)
{
    Send("fwup /update.zlos");
    Run(1s);
    Send("fwup /update.zlos");
    Send("datadisk");
    Run(device.Settings().diskDelay);
    EXPECT_TRUE(device.EjectDisk());
    Run(1min);
    EXPECT_EQ(Texts(), (Transcript{"fwup: Checking files", "fwup: Unpacking 0%",
                                   "fwup: Unpacking 25%", "fwup_error: Update already in progress",
                                   kOffUsb, kDisk, kOffUsb, kSerial}));
    EXPECT_EQ(device.Settings().version.sdk, "1.4.2");

    // The next install runs whole. Its version text goes on after the first line, which is all a
    // line-based version report can carry.
    ASSERT_TRUE(sim::WriteSampleOsFile(File("lines.zlos"), "3.1-beta2\r\nsecond line"));
    Send("echo off");
    Send("fwup /lines.zlos");
    Run(1min);
    EXPECT_EQ(Texts().back(), kSerial);
    EXPECT_EQ(device.Settings().version.build, "3.1-beta2");
    EXPECT_EQ(device.Settings().version.sdk, "3.1-beta2");
}

// zephlark-make-os-file has only this message to tell its user why it failed.
TEST(SampleOsFile, FileThatCannotBeCreatedIsLogged)
{
    LogCapture log;
    EXPECT_FALSE(sim::WriteSampleOsFile("/nonexistent-folder/update.zlos", "2.0.0"));
    EXPECT_TRUE(log.Contains("Failed to create the OS file /nonexistent-folder/update.zlos."));
}

} // namespace
