#pragma once

// What the tests arrange on the Unix side of the wine prefix ($WINEPREFIX, made by
// scripts/windows-test.sh): the simulated device behind a COM port, and the device's entry in
// wine's registry, where SetupAPI finds it.

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "PtyDevice.h"

// The Windows build's folder ($ZEPHLARK_WINDOWS_BUILD) joined with relative.
std::string WindowsBuildPath(const std::string& relative);

// COMn of the wine prefix while this exists: its dosdevices/comN links to a terminal.
class ComPortLink
{
public:
    ComPortLink(int number, const std::string& terminal);
    ~ComPortLink();
    ComPortLink(const ComPortLink&) = delete;
    ComPortLink& operator=(const ComPortLink&) = delete;

    bool Ready() const { return ready; }
    // Points COMn at another terminal in one step: a program never finds the port missing.
    bool Retarget(const std::string& terminal);

private:
    std::string link;
    bool ready = false;
};

// The simulated device behind COMn.
class SimulatedComPort
{
public:
    explicit SimulatedComPort(int number) : link(number, device->SlavePath()) {}

    bool Ready() const { return device->IsRunning() && link.Ready(); }
    // Every line the device received since it last came back, in order.
    std::vector<std::string> Commands();
    // The device leaves and comes back under the same name, as a COM port keeps its name across
    // an unplug: a new pseudo-terminal takes over the link, then the old one hangs up. No device
    // notice is sent.
    bool ComeBack();

private:
    std::unique_ptr<sim::PtyDevice> device = std::make_unique<sim::PtyDevice>();
    ComPortLink link;
};

// Two COM ports joined as a null-modem cable joins them: what a program writes to one, the other
// reads. Two pseudo-terminals whose masters a thread of this object relays.
class NullModem
{
public:
    NullModem(int firstNumber, int secondNumber);
    ~NullModem();
    NullModem(const NullModem&) = delete;
    NullModem& operator=(const NullModem&) = delete;

    bool Ready() const { return relay.joinable() && links[0]->Ready() && links[1]->Ready(); }

private:
    struct End
    {
        int master = -1;
        int slave = -1; // held open, so that the master never sees a hang-up between two users
    };

    void Relay();

    End ends[2];
    std::optional<ComPortLink> links[2];
    int stopFd = -1;
    std::thread relay;
};

// The device as Windows' drivers register it, written with "wine reg add" and deleted by the
// destructor: its serial function (the ports class, its hardware ids and a PortName) and its data
// disk with an active disk interface, whose device path opens nothing under wine. Before the serial
// function in SetupAPI's order stand members of the same device that discovery passes over, each
// with a log line: one whose hardware-id list is longer than discovery reads, one without a device
// key, one whose PortName is the volume "C:".
class RegisteredDevice
{
public:
    explicit RegisteredDevice(const std::string& portName);
    ~RegisteredDevice();
    RegisteredDevice(const RegisteredDevice&) = delete;
    RegisteredDevice& operator=(const RegisteredDevice&) = delete;

    bool Ready() const { return ready; }

private:
    bool ready = false;
};

// Runs a wine program (reg, taskkill, a test's .exe) to its end; its exit status, -1 if it had to
// be killed.
int RunWine(const std::vector<std::string>& arguments);
