#include "WineSetup.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

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
const std::vector<std::string> kHardwareIds = {"USB\\VID_7E21&PID_0C4A&REV_0100&MI_00",
                                               "USB\\VID_7E21&PID_0C4A&MI_00"};

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A REG_MULTI_SZ as regedit writes it: hex(7): and the UTF-16LE bytes, NULs included.
std::string MultiStringValue(const std::vector<std::string>& strings)
{
    std::string hex = "hex(7):";
    auto addByte = [&hex](unsigned byte) {
        char text[4];
        std::snprintf(text, sizeof text, "%02x,", byte);
        hex += text;
    };
    for (const auto& s : strings) {
        for (const unsigned char c : s + '\0') {
            addByte(c);
            addByte(0);
        }
    }
    addByte(0);
    addByte(0);
    hex.pop_back(); // the last comma
    return hex;
}

// Backslashes and quotes escaped, as inside a .reg string.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string RegFileText(const std::string& portName)
{
    const std::string instanceKey = std::string(kDeviceKey) + "\\" + kInstance;
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[" +
           instanceKey +
           "]\r\n"
           "\"ClassGUID\"=" +
           Quoted(kPortsClassGuid) +
           "\r\n"
           "\"HardwareID\"=" +
           MultiStringValue(kHardwareIds) +
           "\r\n\r\n"
           "[" +
           instanceKey +
           "\\Device Parameters]\r\n"
           "\"PortName\"=" +
           Quoted(portName) + "\r\n";
}

// reg.exe reads .reg files only as UTF-16 with a byte-order mark (or ANSI in the old REGEDIT4
// form). The text here is ASCII.
bool WriteUtf16File(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file.put('\xff').put('\xfe');
    for (const char c : text)
        file.put(c).put('\0');
    return static_cast<bool>(file);
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

NullModem::NullModem(int firstNumber, int secondNumber)
{
    for (End& end : ends) {
        termios raw{};
        if (openpty(&end.master, &end.slave, nullptr, &raw, nullptr) != 0)
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
    device.WithDevice([&commands](sim::SimDevice& d) { commands = d.Commands(); });
    return commands;
}

RegisteredSerialDevice::RegisteredSerialDevice(const std::string& portName)
{
    char folder[] = "/tmp/zephlark-reg.XXXXXX";
    if (!mkdtemp(folder))
        return;
    const std::string path = std::string(folder) + "/device.reg";
    // Z: is the Unix root in every wine prefix.
    ready =
        WriteUtf16File(path, RegFileText(portName)) && RunWine({"reg", "import", "Z:" + path}) == 0;
    unlink(path.c_str());
    rmdir(folder);
}

RegisteredSerialDevice::~RegisteredSerialDevice()
{
    RunWine({"reg", "delete", kDeviceKey, "/f"});
}
