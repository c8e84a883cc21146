#pragma once

// What the tests arrange on the Unix side of the wine prefix ($WINEPREFIX, made by
// scripts/windows-test.sh): the simulated device behind a COM port, and the device's entry in
// wine's registry, where SetupAPI finds it.

#include <memory>
#include <string>
#include <vector>

#include "sim/PtyDevice.h"

// The Windows build's folder ($ZEPHLARK_WINDOWS_BUILD) joined with relative.
std::string WindowsBuildPath(const std::string& relative);

// The simulated device behind COMn: the prefix's dosdevices/comN links to the device's
// pseudo-terminal while this exists.
class SimulatedComPort
{
public:
    explicit SimulatedComPort(int number);
    ~SimulatedComPort();
    SimulatedComPort(const SimulatedComPort&) = delete;
    SimulatedComPort& operator=(const SimulatedComPort&) = delete;

    bool Ready() const { return ready; }
    // Every line the device received since it last came back, in order.
    std::vector<std::string> Commands();
    // The device leaves and comes back under the same name, as a COM port keeps its name across
    // an unplug: a new pseudo-terminal takes over the link, then the old one hangs up. No device
    // notice is sent.
    bool ComeBack();

private:
    std::unique_ptr<sim::PtyDevice> device = std::make_unique<sim::PtyDevice>();
    std::string link;
    bool ready = false;
};

// The device as Windows' USB serial driver registers it (the ports class, its hardware ids and a
// PortName), imported with "wine reg import" from a UTF-16 .reg file and deleted by the
// destructor.
class RegisteredSerialDevice
{
public:
    explicit RegisteredSerialDevice(const std::string& portName);
    ~RegisteredSerialDevice();
    RegisteredSerialDevice(const RegisteredSerialDevice&) = delete;
    RegisteredSerialDevice& operator=(const RegisteredSerialDevice&) = delete;

    bool Ready() const { return ready; }

private:
    bool ready = false;
};

// Runs a wine program (reg, taskkill, a test's .exe) to its end; its exit status, -1 if it had to
// be killed.
int RunWine(const std::vector<std::string>& arguments, std::string* output = nullptr);
