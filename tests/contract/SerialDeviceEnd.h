#pragma once

// The device's end of the serial line, as a platform's tests reach it: on Linux the
// pseudo-terminal master of a umockdev tty. SerialContractTest.cpp runs its cases against it.

#include <wx/string.h>

#include <memory>
#include <string>

class SerialDeviceEnd
{
public:
    virtual ~SerialDeviceEnd() = default;

    // The port the host opens to reach this device, and a name no port answers to.
    virtual wxString PortName() = 0;
    virtual wxString AbsentPortName() = 0;
    // Bytes from the device to the host.
    virtual void Send(const std::string& bytes) = 0;
    // What the device received since the last call, once `count` bytes came or a few seconds
    // passed.
    virtual std::string Received(size_t count) = 0;
    // The device leaves, as when it is unplugged; false where the test set-up cannot do that.
    virtual bool HangUp() = 0;
    // A second device plugged in beside this one, with its own port; null where the test set-up
    // plays only one.
    virtual std::unique_ptr<SerialDeviceEnd> Another() = 0;
};

// Each platform's tests define it. Null, with the reason in `refusal`, when this process cannot
// have a device end (outside umockdev-wrapper).
std::unique_ptr<SerialDeviceEnd> MakeSerialDeviceEnd(std::string& refusal);
