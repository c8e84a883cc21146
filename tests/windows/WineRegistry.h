#pragma once

// USB serial devices made up in the registry, where SetupAPI looks for them:
// HKLM\System\CurrentControlSet\Enum\USB\<device id>\<instance>, with the ports class, a
// hardware-id list and the "Device Parameters" key that holds PortName. Wine's SetupAPI lists such
// a device as present. Every device key made is deleted again by the destructor.

#include <windows.h>

#include <string>
#include <vector>

enum class PortNameValue
{
    Text,       // PortName as Windows writes it, a REG_SZ
    Number,     // PortName as a REG_DWORD
    Missing,    // a "Device Parameters" key without PortName
    NoDeviceKey // no "Device Parameters" key at all
};

struct FakePort
{
    std::vector<std::wstring> hardwareIds;
    std::wstring portName;
    PortNameValue portNameValue = PortNameValue::Text;
};

class RegisteredDevices
{
public:
    RegisteredDevices() = default;
    ~RegisteredDevices();
    RegisteredDevices(const RegisteredDevices&) = delete;
    RegisteredDevices& operator=(const RegisteredDevices&) = delete;

    // Registers the port under Enum\USB\<deviceId>\<instance>; false when the registry refused
    // (the test cannot go on then).
    bool AddSerialDevice(const std::wstring& deviceId, const std::wstring& instance,
                         const FakePort& port);
    // Registers a disk under Enum\USBSTOR\<deviceId>\<instance> with an active disk interface.
    // Wine points the interface at a device path built from the instance id, which opens nothing.
    bool AddDisk(const std::wstring& deviceId, const std::wstring& instance,
                 const std::vector<std::wstring>& hardwareIds);

private:
    // Enum\<enumerator>\<deviceId>\<instance> with its class and hardware ids; the open key, or
    // null.
    HKEY CreateDeviceKey(const std::wstring& enumerator, const std::wstring& deviceId,
                         const std::wstring& instance, const wchar_t* classGuid,
                         const std::vector<std::wstring>& hardwareIds);

    std::vector<std::wstring> createdKeys; // below HKLM, to delete
};

// The instance ids ("USB\<device id>\<instance>") of the present USB ports in the order in which
// SetupAPI enumerates them.
std::vector<std::wstring> UsbPortsInEnumerationOrder();
