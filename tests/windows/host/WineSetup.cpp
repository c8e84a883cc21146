#include "WineSetup.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

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

SimulatedComPort::SimulatedComPort(int number)
    : link(Environment("WINEPREFIX") + "/dosdevices/com" + std::to_string(number))
{
    if (!device->IsRunning() || Environment("WINEPREFIX").empty())
        return;
    unlink(link.c_str()); // wineboot links the first ports to /dev/ttyS*
    ready = symlink(device->SlavePath().c_str(), link.c_str()) == 0;
}

SimulatedComPort::~SimulatedComPort()
{
    if (ready)
        unlink(link.c_str());
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
    const std::string staged = link + ".next";
    if (!ready || !next->IsRunning() || symlink(next->SlavePath().c_str(), staged.c_str()) != 0)
        return false;
    // rename() replaces the link in one step: the port is never missing when the program looks.
    if (rename(staged.c_str(), link.c_str()) != 0) {
        unlink(staged.c_str());
        return false;
    }
    device = std::move(next); // closes the old pseudo-terminal: the program's handle hangs up
    return true;
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
