// The Windows build under wine: the program itself against the simulated device behind COM9, from
// start-up through a lost port and a device notice to its close. What it arranges on the Unix side
// of the wine prefix ($WINEPREFIX, made by scripts/windows-test.sh): COM ports that link to
// terminals, and the device's entry in wine's registry, where SetupAPI finds it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "ChildProcess.h"
#include "PtyDevice.h"
#include "WaitFor.h"

namespace {

using std::chrono::seconds;

constexpr char kPortName[] = "COM9";
// A cold wine start (explorer.exe, the display driver) takes a few seconds on a loaded machine.
constexpr auto kStartLimit = seconds{60};
constexpr auto kPatience = seconds{20};
constexpr char kRemoveComplete[] = "0x8004"; // DBT_DEVICEREMOVECOMPLETE

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string WindowsBuildPath(const std::string& relative)
{
    return Environment("ZEPHLARK_WINDOWS_BUILD") + "/" + relative;
}

// Runs a wine program (reg, taskkill, a test's .exe) to its end; its exit status, -1 if it had to
// be killed.
int RunWine(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{"wine"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunToEnd(command, seconds{60});
}

// The simulated device behind COM9: the link in the wine prefix that is the port.
class SimulatedComPort
{
public:
    SimulatedComPort() : link(Environment("WINEPREFIX") + "/dosdevices/com9")
    {
        unlink(link.c_str()); // wineboot links the first ports to /dev/ttyS*
        linked = device->IsRunning() && symlink(device->SlavePath().c_str(), link.c_str()) == 0;
    }
    ~SimulatedComPort() { unlink(link.c_str()); }

    bool Ready() const { return linked; }

    // The device leaves and comes back under the same name, as a COM port keeps its name across
    // an unplug: a new pseudo-terminal takes over the link in one step (a program never finds the
    // port missing), then the old one hangs up. No device notice is sent.
    bool ComeBack()
    {
        auto next = std::make_unique<sim::PtyDevice>();
        const std::string staged = link + ".next";
        if (!next->IsRunning() || symlink(next->SlavePath().c_str(), staged.c_str()) != 0 ||
            rename(staged.c_str(), link.c_str()) != 0)
            return false;
        device = std::move(next); // closes the old pseudo-terminal: the program's handle hangs up
        return true;
    }

private:
    std::unique_ptr<sim::PtyDevice> device = std::make_unique<sim::PtyDevice>();
    std::string link;
    bool linked = false;
};

// The device as Windows' drivers register it, written with "wine reg add": its serial function
// (the ports class, its hardware ids and a PortName) and its data disk with an active disk
// interface, whose device path opens nothing under wine. Before the serial function in SetupAPI's
// order stands a member of the same device whose PortName is the volume "C:", which discovery
// passes over on its way to the port. Wine gives a registered device no parent (CM_Get_Parent), so
// the port's identity is unknown: the program must still take its one device.
const std::string kEnumKey = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\";
const std::string kSerialKey = kEnumKey + "USB\\VID_7E21&PID_0C4A&MI_00";
const char kPortsClass[] = "{4D36E978-E325-11CE-BFC1-08002BE10318}";
// A REG_MULTI_SZ for reg.exe: its strings joined by "\0".
const char kHardwareIds[] = "USB\\VID_7E21&PID_0C4A&REV_0100&MI_00\\0USB\\VID_7E21&PID_0C4A&MI_00";
// Wine lists the instances of a device in the order of their names.
const char kInstance[] = "6&2a3b4c5d&0&0000";
const char kVolumeNameInstance[] = "5&2&0&0000";

const std::string kDiskKey = kEnumKey + "USBSTOR\\Disk&Ven_Orvex&Prod_Zephlark&Rev_1.00";
const char kDiskClass[] = "{4D36E967-E325-11CE-BFC1-08002BE10318}";
const char kDiskHardwareIds[] = "USBSTOR\\DiskOrvex___Zephlark________1.00\\0GenDisk";
// The disk's interface, named as Windows names it: its device path with "\\?\" written "##?#".
const std::string kDiskInterfaceKey =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\"
    "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\\##?#USBSTOR#Disk&Ven_Orvex&Prod_Zephlark&Rev_1.00#"
    "0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

bool AddValue(const std::string& key, const std::string& name, const std::string& type,
              const std::string& data)
{
    return RunWine({"reg", "add", key, "/v", name, "/t", type, "/d", data, "/f"}) == 0;
}

bool AddDeviceKey(const std::string& key, const char* setupClass, const std::string& hardwareIds)
{
    return AddValue(key, "ClassGUID", "REG_SZ", setupClass) &&
           AddValue(key, "HardwareID", "REG_MULTI_SZ", hardwareIds);
}

bool AddSerialMember(const std::string& instance, const std::string& portName)
{
    const std::string key = kSerialKey + "\\" + instance;
    return AddDeviceKey(key, kPortsClass, kHardwareIds) &&
           AddValue(key + "\\Device Parameters", "PortName", "REG_SZ", portName);
}

// The disk's interface: "#" is the interface without a reference string; Control\Linked marks it
// active.
bool RegisterDevice()
{
    const std::string diskInstance = kDiskKey + "\\0001";
    return AddSerialMember(kVolumeNameInstance, "C:") && AddSerialMember(kInstance, kPortName) &&
           AddDeviceKey(diskInstance, kDiskClass, kDiskHardwareIds) &&
           AddValue(kDiskInterfaceKey, "DeviceInstance", "REG_SZ",
                    diskInstance.substr(kEnumKey.size())) &&
           AddValue(kDiskInterfaceKey + "\\#\\Control", "Linked", "REG_DWORD", "1");
}

void UnregisterDevice()
{
    for (const std::string& key : {kSerialKey, kDiskKey, kDiskInterfaceKey})
        RunWine({"reg", "delete", key, "/f"});
}

size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(WineProgram, FollowsTheDeviceFromStartUpToClose)
{
    SimulatedComPort port;
    ASSERT_TRUE(port.Ready());
    ASSERT_TRUE(RegisterDevice()); // before the program starts
    ChildProcess program{{"wine", WindowsBuildPath("src/zephlark-utility.exe")},
                         WindowsBuildPath("program.log")};
    // True once the program's output holds the text that many times.
    const auto waitForOutput = [&program](const std::string& text, size_t times, seconds limit) {
        return WaitUntil(
                   text.c_str(), [&] { return Occurrences(program.Output(), text) >= times; },
                   limit)
               << "\n"
               << program.Output();
    };

    // The device answered "version": the program took the port and reads it.
    const std::string answer = "serial#=ZL-000123";
    ASSERT_TRUE(waitForOutput(answer, 1, kStartLimit));

    // No notice comes: the port's failing reads have to tell the connection, or it keeps the dead
    // handle and the device that came back under the same name is never greeted.
    ASSERT_TRUE(port.ComeBack());
    EXPECT_TRUE(waitForOutput(answer, 2, kPatience));
    // The window has been up a while: a picture for people, of the lamp connected again.
    if (const char* path = std::getenv("ZEPHLARK_SCREENSHOT"); path && *path) {
        EXPECT_EQ(RunToEnd({"import", "-window", "root", path}, kPatience), 0);
    }

    UnregisterDevice();
    // Returns once the window procedure has handled the notice.
    ASSERT_EQ(
        RunWine({WindowsBuildPath("tests/ZephlarkKitWx/windows/zephlark-send-device-notice.exe"),
                 "Zephlark Utility", kRemoveComplete}),
        0);
    // The first was the port lost under the reader.
    EXPECT_TRUE(waitForOutput(std::string("Device Disconnected: ") + kPortName, 2, kPatience));

    // Windows' polite close: taskkill without /f sends WM_CLOSE.
    RunWine({"taskkill", "/im", "zephlark-utility.exe"});
    EXPECT_EQ(program.WaitForExit(kPatience), 0);
    // Nothing failed: the walks over ports and disks, the device's disk among them, end quietly.
    EXPECT_EQ(Occurrences(program.Output(), " failed ("), 0u) << program.Output();
}

} // namespace
