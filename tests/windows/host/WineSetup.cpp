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

const char kDeviceKey[] = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\USB\\"
                          "VID_7E21&PID_0C4A&MI_00";
const char kInstance[] = "6&2a3b4c5d&0&0000";
const char kPortsClassGuid[] = "{4D36E978-E325-11CE-BFC1-08002BE10318}";
// A REG_MULTI_SZ for reg.exe: its strings joined by "\0".
const char kHardwareIds[] = "USB\\VID_7E21&PID_0C4A&REV_0100&MI_00\\0USB\\VID_7E21&PID_0C4A&MI_00";

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

int RunWine(const std::vector<std::string>& arguments, std::string* output)
{
    std::vector<std::string> command{"wine"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunToEnd(command, kWineCommandLimit, output);
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

RegisteredSerialDevice::RegisteredSerialDevice(const std::string& portName)
{
    const std::string instanceKey = std::string(kDeviceKey) + "\\" + kInstance;
    ready =
        RunWine({"reg", "add", instanceKey, "/v", "ClassGUID", "/d", kPortsClassGuid, "/f"}) == 0 &&
        RunWine({"reg", "add", instanceKey, "/v", "HardwareID", "/t", "REG_MULTI_SZ", "/d",
                 kHardwareIds, "/f"}) == 0 &&
        RunWine({"reg", "add", instanceKey + "\\Device Parameters", "/v", "PortName", "/d",
                 portName, "/f"}) == 0;
}

RegisteredSerialDevice::~RegisteredSerialDevice()
{
    RunWine({"reg", "delete", kDeviceKey, "/f"});
}
