// The Windows build under wine: the serial layer's own tests on a null modem, and the program
// itself against the simulated device behind COM9, from start-up through a lost port and a device
// notice to its close.
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
constexpr char kRemoveComplete[] = "0x8004"; // DBT_DEVICEREMOVECOMPLETE

TEST(WineSerialLayer, KeepsItsContractOnANullModem)
{
    NullModem cable(kComPortNumber, kDevicePortNumber);
    ASSERT_TRUE(cable.Ready());

    ChildProcess tests(
        {"wine", WindowsBuildPath("tests/ZephlarkKitWx/windows/windows_serial_port_tests.exe")},
        WindowsBuildPath("serial-port-tests.log"),
        {std::string("ZEPHLARK_TEST_PORT=") + kPortName,
         std::string("ZEPHLARK_TEST_DEVICE_PORT=") + kDevicePortName});

    EXPECT_EQ(tests.WaitForExit(seconds{120}), 0) << tests.Output();
}

size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class WineProgram : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(port.Ready());
        ASSERT_TRUE(registration->Ready());
    }

    // True once the program's output holds the text that many times.
    testing::AssertionResult WaitForOutput(const std::string& text, size_t times,
                                           std::chrono::milliseconds limit)
    {
        return WaitUntil(
                   text.c_str(), [&] { return Occurrences(program.Output(), text) >= times; },
                   limit)
               << "\n"
               << program.Output();
    }

    // The frame is on the X server once xdotool finds a visible window with its title.
    bool WaitForWindow()
    {
        const std::string title = std::string("^") + kWindowTitle + "$";
        return WaitUntil(
                   "the window",
                   [&] {
                       return program.WaitForExit(seconds{0}) ||
                              RunToEnd({"xdotool", "search", "--onlyvisible", "--name", title},
                                       seconds{10}) == 0;
                   },
                   kStartLimit) &&
               !program.WaitForExit(seconds{0});
    }

    // Returns once the window procedure has handled the notice.
    int SendNotice(const char* code)
    {
        return RunWine(
            {WindowsBuildPath("tests/ZephlarkKitWx/windows/zephlark-send-device-notice.exe"),
             kWindowTitle, code});
    }

    // Windows' polite close (taskkill without /f sends WM_CLOSE); the exit status.
    std::optional<int> CloseProgram()
    {
        RunWine({"taskkill", "/im", "zephlark-utility.exe"});
        return program.WaitForExit(kPatience);
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

    bool DeviceReceived(const std::string& command)
    {
        const auto commands = port.Commands();
        return std::find(commands.begin(), commands.end(), command) != commands.end();
    }

    SimulatedComPort port{kComPortNumber};
    std::optional<RegisteredDevice> registration{kPortName};
    ChildProcess program{{"wine", WindowsBuildPath("src/zephlark-utility.exe")},
                         WindowsBuildPath("program.log")};
};

TEST_F(WineProgram, FollowsTheDeviceFromStartUpToClose)
{
    const std::string connected = std::string("Device Connected: ") + kPortName;
    ASSERT_TRUE(WaitForOutput(connected, 1, kStartLimit));
    // On its way to the port, SetupAPI's walk passed over the members that it cannot use.
    const std::string startUp = program.Output();
    for (const char* passedOver :
         {"SetupDiGetDeviceRegistryProperty failed (122)", "SetupDiOpenDevRegKey failed (",
          "RegQueryValueEx \"PortName\" is no COM port name (C:)"})
        EXPECT_LT(startUp.find(passedOver), startUp.find(connected)) << passedOver;
    ASSERT_TRUE(WaitForWindow());
    ASSERT_TRUE(WaitUntil(
        "three commands", [this] { return port.Commands().size() >= 3; }, kPatience));
    const auto commands = port.Commands();
    EXPECT_EQ(commands[0], "echo off");
    EXPECT_EQ(commands[1], "version");
    EXPECT_EQ(commands[2].rfind("settime ", 0), 0u) << commands[2];
    EXPECT_TRUE(WaitForScreenColour("#00FF00")); // the connected lamp's green
    SaveScreenshotIfAsked();

    // No notice comes: the port's failing reads have to tell the connection, or it keeps the dead
    // handle and the device that came back under the same name is never greeted.
    ASSERT_TRUE(port.ComeBack());
    EXPECT_TRUE(WaitUntil(
        "\"version\" sent to the device that came back",
        [this] { return DeviceReceived("version"); }, kPatience))
        << program.Output();

    registration.reset();
    ASSERT_EQ(SendNotice(kRemoveComplete), 0);
    // The first was the port lost under the reader.
    EXPECT_TRUE(WaitForOutput(std::string("Device Disconnected: ") + kPortName, 2, kPatience));

    EXPECT_EQ(CloseProgram(), 0);
    // Nothing else failed: the walks over ports and disks, the device's disk among them, end
    // quietly.
    const std::string output = program.Output();
    EXPECT_EQ(Occurrences(output, " failed ("),
              Occurrences(output, "SetupDiGetDeviceRegistryProperty failed (") +
                  Occurrences(output, "SetupDiOpenDevRegKey failed ("))
        << output;
}

} // namespace
