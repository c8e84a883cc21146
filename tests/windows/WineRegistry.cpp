#include "WineRegistry.h"

#include <cfgmgr32.h>
#include <setupapi.h>

namespace {

constexpr wchar_t kEnumKey[] = L"System\\CurrentControlSet\\Enum\\";
constexpr wchar_t kDiskInterfacesKey[] =
    L"System\\CurrentControlSet\\Control\\DeviceClasses\\{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\\";
constexpr wchar_t kDiskInterfaceGuid[] = L"{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr wchar_t kPortsClassGuid[] = L"{4D36E978-E325-11CE-BFC1-08002BE10318}";
constexpr wchar_t kDiskClassGuid[] = L"{4D36E967-E325-11CE-BFC1-08002BE10318}";
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Strings ended by a NUL each, the list by an empty one.
std::wstring MultiString(const std::vector<std::wstring>& strings)
{
    std::wstring list;
    for (const auto& s : strings)
        list += s + L'\0';
    return list + L'\0';
}

bool SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, size_t bytes)
{
    return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool SetText(HKEY key, const wchar_t* name, const std::wstring& text)
{
    return SetValue(key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

bool WritePortName(HKEY instanceKey, const FakePort& port)
{
    if (port.portNameValue == PortNameValue::NoDeviceKey)
        return true;
    HKEY parameters = nullptr;
    if (RegCreateKeyExW(instanceKey, L"Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &parameters, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    if (port.portNameValue == PortNameValue::Text) {
        ok = SetText(parameters, L"PortName", port.portName);
    } else if (port.portNameValue == PortNameValue::Number) {
        const DWORD number = 7;
        ok = SetValue(parameters, L"PortName", REG_DWORD, &number, sizeof number);
    }
    RegCloseKey(parameters);
    return ok;
}

} // namespace

RegisteredDevices::~RegisteredDevices()
{
    for (const auto& key : createdKeys)
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

HKEY RegisteredDevices::CreateDeviceKey(const std::wstring& enumerator,
                                        const std::wstring& deviceId, const std::wstring& instance,
                                        const wchar_t* classGuid,
                                        const std::vector<std::wstring>& hardwareIds)
{
    const std::wstring deviceKey = kEnumKey + enumerator + L"\\" + deviceId;
    createdKeys.push_back(deviceKey);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (deviceKey + L"\\" + instance).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    const std::wstring ids = MultiString(hardwareIds);
    if (!SetText(key, L"ClassGUID", classGuid) ||
        !SetValue(key, L"HardwareID", REG_MULTI_SZ, ids.data(), ids.size() * sizeof(wchar_t))) {
        RegCloseKey(key);
        return nullptr;
    }
    return key;
}

bool RegisteredDevices::AddSerialDevice(const std::wstring& deviceId, const std::wstring& instance,
                                        const FakePort& port)
{
    const HKEY key = CreateDeviceKey(L"USB", deviceId, instance, kPortsClassGuid, port.hardwareIds);
    if (!key)
        return false;
    const bool ok = WritePortName(key, port);
    RegCloseKey(key);
    return ok;
}

bool RegisteredDevices::AddDisk(const std::wstring& deviceId, const std::wstring& instance,
                                const std::vector<std::wstring>& hardwareIds)
{
    const HKEY deviceKey =
        CreateDeviceKey(L"USBSTOR", deviceId, instance, kDiskClassGuid, hardwareIds);
    if (!deviceKey)
        return false;
    RegCloseKey(deviceKey);
    // Named as Windows names it: the interface's device path with "\\?\" written "##?#".
    const std::wstring instanceId = L"USBSTOR\\" + deviceId + L"\\" + instance;
    std::wstring interfaceName = L"##?#" + instanceId + L"#" + kDiskInterfaceGuid;
    for (auto& c : interfaceName) {
        if (c == L'\\')
            c = L'#';
    }
    const std::wstring interfaceKey = kDiskInterfacesKey + interfaceName;
    createdKeys.push_back(interfaceKey);
    HKEY key = nullptr;
    // "#" is the interface without a reference string; Control\Linked marks it active.
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (interfaceKey + L"\\#\\Control").c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD linked = 1;
    bool ok = SetValue(key, L"Linked", REG_DWORD, &linked, sizeof linked);
    RegCloseKey(key);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, interfaceKey.c_str(), 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return false;
    ok = ok && SetText(key, L"DeviceInstance", instanceId);
    RegCloseKey(key);
    return ok;
}

std::vector<std::wstring> UsbPortsInEnumerationOrder()
{
    std::vector<std::wstring> order;
    HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, L"USB", nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return order;
    SP_DEVINFO_DATA element{};
    element.cbSize = sizeof element;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &element); ++index) {
        wchar_t id[MAX_DEVICE_ID_LEN] = {};
        if (SetupDiGetDeviceInstanceIdW(set, &element, id, MAX_DEVICE_ID_LEN, nullptr))
            order.emplace_back(id);
    }
    SetupDiDestroyDeviceInfoList(set);
    return order;
}
