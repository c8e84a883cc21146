#include "WineSetup.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include "ChildProcess.h"

namespace {

constexpr auto kWineCommandLimit = std::chrono::seconds{60};

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::string WindowsBuildPath(const std::string& relative)
{
    return Environment("ZEPHLARK_WINDOWS_BUILD") + "/" + relative;
}

int RunWine(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{"wine"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunToEnd(command, kWineCommandLimit);
}

ComPortLink::ComPortLink(int number, const std::string& terminal)
    : link(Environment("WINEPREFIX") + "/dosdevices/com" + std::to_string(number))
{
    if (terminal.empty() || Environment("WINEPREFIX").empty())
        return;
    unlink(link.c_str()); // wineboot links the first ports to /dev/ttyS*
    ready = symlink(terminal.c_str(), link.c_str()) == 0;
}

ComPortLink::~ComPortLink()
{
    if (ready)
        unlink(link.c_str());
}

bool ComPortLink::Retarget(const std::string& terminal)
{
    const std::string staged = link + ".next";
    if (!ready || symlink(terminal.c_str(), staged.c_str()) != 0)
        return false;
    if (rename(staged.c_str(), link.c_str()) != 0) {
        unlink(staged.c_str());
        return false;
    }
    return true;
}

NullModem::NullModem(int firstNumber, int secondNumber)
{
    // Raw, or the line discipline would echo what a port receives back across the cable.
    for (End& end : ends) {
        termios raw{};
        if (openpty(&end.master, &end.slave, nullptr, nullptr, nullptr) != 0 ||
            tcgetattr(end.slave, &raw) != 0)
            return;
        cfmakeraw(&raw);
        tcsetattr(end.slave, TCSANOW, &raw);
    }
    links[0].emplace(firstNumber, ptsname(ends[0].master));
    links[1].emplace(secondNumber, ptsname(ends[1].master));
    stopFd = eventfd(0, EFD_CLOEXEC);
    if (stopFd >= 0)
        relay = std::thread([this] { Relay(); });
}

NullModem::~NullModem()
{
    if (relay.joinable()) {
        const uint64_t one = 1;
        (void)!write(stopFd, &one, sizeof one);
        relay.join();
    }
    for (const int fd : {stopFd, ends[0].master, ends[0].slave, ends[1].master, ends[1].slave}) {
        if (fd >= 0)
            close(fd);
    }
}

void NullModem::Relay()
{
    for (;;) {
        pollfd fds[] = {
            {ends[0].master, POLLIN, 0}, {ends[1].master, POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0 && errno != EINTR)
            return;
        if (fds[2].revents)
            return;
        for (int from = 0; from < 2; ++from) {
            if (!(fds[from].revents & POLLIN))
                continue;
            char chunk[4096];
            const ssize_t count = read(ends[from].master, chunk, sizeof chunk);
            for (ssize_t done = 0; done < count;) {
                const ssize_t written = write(ends[1 - from].master, chunk + done, count - done);
                if (written <= 0)
                    break;
                done += written;
            }
        }
    }
}

std::vector<std::string> SimulatedComPort::Commands()
{
    std::vector<std::string> commands;
    device->WithDevice([&commands](sim::SimDevice& d) { commands = d.Commands(); });
    return commands;
}

bool SimulatedComPort::ComeBack()
{
    auto next = std::make_unique<sim::PtyDevice>();
    if (!next->IsRunning() || !link.Retarget(next->SlavePath()))
        return false;
    device = std::move(next); // closes the old pseudo-terminal: the program's handle hangs up
    return true;
}

namespace {

const std::string kEnumKey = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\";
const std::string kSerialKey = kEnumKey + "USB\\VID_7E21&PID_0C4A&MI_00";
const char kPortsClass[] = "{4D36E978-E325-11CE-BFC1-08002BE10318}";
const char kHardwareId[] = "USB\\VID_7E21&PID_0C4A&REV_0100&MI_00";
// A REG_MULTI_SZ for reg.exe: its strings joined by "\0".
const char kHardwareIds[] = "USB\\VID_7E21&PID_0C4A&REV_0100&MI_00\\0USB\\VID_7E21&PID_0C4A&MI_00";
// Wine lists the instances of a device in the order of their names.
const char kInstance[] = "6&2a3b4c5d&0&0000";
const char kLongListInstance[] = "5&0&0&0000";
const char kNoKeyInstance[] = "5&1&0&0000";
const char kVolumeNameInstance[] = "5&2&0&0000";
constexpr int kIdsBeyondTheBuffer = 40;

const std::string kDiskKey = kEnumKey + "USBSTOR\\Disk&Ven_Orvex&Prod_Zephlark&Rev_1.00";
const char kDiskInstanceId[] = "USBSTOR\\Disk&Ven_Orvex&Prod_Zephlark&Rev_1.00\\0001";
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

bool AddSerialMember(const std::string& instance, const std::string& hardwareIds,
                     const std::string& portName = "")
{
    const std::string key = kSerialKey + "\\" + instance;
    return AddDeviceKey(key, kPortsClass, hardwareIds) &&
           (portName.empty() ||
            AddValue(key + "\\Device Parameters", "PortName", "REG_SZ", portName));
}

std::string LongHardwareIdList()
{
    std::string ids = kHardwareId;
    for (int i = 1; i < kIdsBeyondTheBuffer; ++i)
        ids += std::string("\\0") + kHardwareId;
    return ids;
}

// "#" is the interface without a reference string; Control\Linked marks it active.
bool AddDisk()
{
    return AddDeviceKey(kDiskKey + "\\0001", kDiskClass, kDiskHardwareIds) &&
           AddValue(kDiskInterfaceKey, "DeviceInstance", "REG_SZ", kDiskInstanceId) &&
           AddValue(kDiskInterfaceKey + "\\#\\Control", "Linked", "REG_DWORD", "1");
}

} // namespace

RegisteredDevice::RegisteredDevice(const std::string& portName)
{
    ready = AddSerialMember(kLongListInstance, LongHardwareIdList()) &&
            AddSerialMember(kNoKeyInstance, kHardwareIds) &&
            AddSerialMember(kVolumeNameInstance, kHardwareIds, "C:") &&
            AddSerialMember(kInstance, kHardwareIds, portName) && AddDisk();
}

RegisteredDevice::~RegisteredDevice()
{
    for (const std::string& key : {kSerialKey, kDiskKey, kDiskInterfaceKey})
        RunWine({"reg", "delete", key, "/f"});
}
