#pragma once

class DeviceInterfaceState
{
public:
    virtual ~DeviceInterfaceState() = default;
};

// How DeviceConnection tells its owner that the link came or went. Called synchronously on the
// GUI thread.
class DeviceInterface : public DeviceInterfaceState
{
public:
    virtual void DeviceConnectionChanged(bool connected) = 0;
    // The device's version report is complete: it is identified, with its serial number.
    virtual void DeviceIdentified() {}
};
