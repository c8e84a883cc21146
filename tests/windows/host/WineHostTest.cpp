// The Windows build under wine: the serial layer's own tests on a null modem, and the program
// itself against the simulated device behind COM9, from start-up through device notices to its
// close.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "WaitFor.h"
#include "WineSetup.h"

namespace {

using std::chrono::seconds;

constexpr int kComPortNumber = 9;
constexpr char kPortName[] = "COM9";
// The serial layer's tests play the device on the far end of a null modem.
constexpr int kDevicePortNumber = 10;
constexpr char kDevicePortName[] = "COM10";
constexpr char kWindowTitle[] = "Zephlark Utility";
// A cold wine start (explorer.exe, the display driver) takes a few seconds on a loaded machine.
constexpr auto kStartLimit = seconds{60};
constexpr auto kPatience = seconds{20};

// The Windows event codes of WM_DEVICECHANGE.
constexpr char kArrival[] = "0x8000";        // DBT_DEVICEARRIVAL
constexpr char kQueryRemove[] = "0x8001";    // DBT_DEVICEQUERYREMOVE
constexpr char kRemoveComplete[] = "0x8004"; // DBT_DEVICEREMOVECOMPLETE

TEST(WineSerialLayer, KeepsItsContractOnANullModem)
{
    NullModem cable(kComPortNumber, kDevicePortNumber);
    ASSERT_TRUE(cable.Ready());

    ChildProcess tests({"wine", WindowsBuildPath("tests/windows/windows_serial_port_tests.exe")},
                       {std::string("ZEPHLARK_TEST_PORT=") + kPortName,
                        std::string("ZEPHLARK_TEST_DEVICE_PORT=") + kDevicePortName});

    EXPECT_EQ(tests.WaitForExit(seconds{120}), 0) << tests.Output();
}

class WineProgram : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(port.Ready()); }

    void TearDown() override
    {
        if (program && !program->WaitForExit(seconds{0}))
            program->Kill();
    }

    void StartProgram()
    {
        program.emplace(
            std::vector<std::string>{"wine", WindowsBuildPath("src/zephlark-utility.exe")});
        ASSERT_TRUE(program->Started());
    }

    // The frame is on the X server once xdotool finds a visible window with its title.
    bool WaitForWindow()
    {
        const std::string title = std::string("^") + kWindowTitle + "$";
        return WaitUntil(
                   "the window",
                   [&] {
                       return program->WaitForExit(seconds{0}) ||
                              RunToEnd({"xdotool", "search", "--onlyvisible", "--name", title},
                                       seconds{10}) == 0;
                   },
                   kStartLimit) &&
               !program->WaitForExit(seconds{0});
    }

    // Returns once the window procedure has handled the notice.
    int SendNotice(const char* code)
    {
        return RunWine({WindowsBuildPath("tests/windows/zephlark-send-device-notice.exe"),
                        kWindowTitle, code});
    }

    // Windows' polite close (taskkill without /f sends WM_CLOSE); the exit status.
    std::optional<int> CloseProgram()
    {
        RunWine({"taskkill", "/im", "zephlark-utility.exe"});
        return program->WaitForExit(kPatience);
    }

    // True once a pixel of the screen has the colour ("#00FF00"): the lamp has been painted.
    testing::AssertionResult WaitForScreenColour(const std::string& colour)
    {
        const std::string command = "import -window root png:- | convert png:- -format %c "
                                    "histogram:info:- | grep -q ' " +
                                    colour + " '";
        return WaitUntil(
            "a pixel of that colour",
            [&] {
                return RunToEnd({"sh", "-c", command}, kPatience) == 0;
            },
            kPatience);
    }

    void SaveScreenshotIfAsked()
    {
        const char* path = std::getenv("ZEPHLARK_SCREENSHOT");
        if (path && *path) {
            EXPECT_EQ(RunToEnd({"import", "-window", "root", path}, kPatience), 0);
        }
    }

    SimulatedComPort port{kComPortNumber};
    std::optional<ChildProcess> program;
};

TEST_F(WineProgram, ConnectsToTheDeviceItFindsAtStartUp)
{
    RegisteredSerialDevice registration(kPortName);
    ASSERT_TRUE(registration.Ready());

    StartProgram();

    EXPECT_TRUE(program->WaitForOutput(std::string("Device Connected: ") + kPortName, kStartLimit))
        << program->Output();
    ASSERT_TRUE(WaitForWindow());
    ASSERT_TRUE(WaitUntil(
        "three commands", [this] { return port.Commands().size() >= 3; }, kPatience));
    const auto commands = port.Commands();
    EXPECT_EQ(commands[0], "echo off");
    EXPECT_EQ(commands[1], "version");
    EXPECT_EQ(commands[2].rfind("settime ", 0), 0u) << commands[2];
    EXPECT_TRUE(WaitForScreenColour("#00FF00")); // the connected lamp's green
    SaveScreenshotIfAsked();
    EXPECT_EQ(CloseProgram(), 0);
}

TEST_F(WineProgram, RefreshesOnArrivalAndRemovalNoticesOnly)
{
    StartProgram();
    ASSERT_TRUE(WaitForWindow());
    std::optional<RegisteredSerialDevice> registration;
    registration.emplace(kPortName);
    ASSERT_TRUE(registration->Ready());
    const std::string connected = std::string("Device Connected: ") + kPortName;

    // The output is unbuffered and the notice synchronous: a refresh would be in it by now.
    ASSERT_EQ(SendNotice(kQueryRemove), 0);
    EXPECT_EQ(program->Output().find(connected), std::string::npos);

    ASSERT_EQ(SendNotice(kArrival), 0);
    EXPECT_TRUE(program->WaitForOutput(connected, kPatience)) << program->Output();

    registration.reset();
    ASSERT_EQ(SendNotice(kRemoveComplete), 0);
    EXPECT_TRUE(program->WaitForOutput(std::string("Device Disconnected: ") + kPortName, kPatience))
        << program->Output();
    EXPECT_EQ(CloseProgram(), 0);
}

// The refresh never saw the device leave: the port's failing reads have to tell the connection,
// or it keeps the dead handle and the device that came back is never greeted.
TEST_F(WineProgram, ReopensAPortThatCameBackUnderTheSameName)
{
    RegisteredSerialDevice registration(kPortName);
    ASSERT_TRUE(registration.Ready());
    StartProgram();
    ASSERT_TRUE(WaitUntil(
        "the first device's three commands", [this] { return port.Commands().size() >= 3; },
        kStartLimit))
        << program->Output();

    ASSERT_TRUE(port.ComeBack());

    EXPECT_TRUE(WaitUntil(
        "\"version\" sent to the device that came back",
        [this] {
            const auto commands = port.Commands();
            return std::find(commands.begin(), commands.end(), "version") != commands.end();
        },
        kPatience))
        << program->Output();
    EXPECT_EQ(CloseProgram(), 0);
}

} // namespace
