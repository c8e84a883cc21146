// The serial half of the platform layer on Windows: the port is found through SetupAPI and the
// device's registry key, and driven with the Win32 communications calls in synchronous mode.
#include "Serial.h"
#include "SerialInternal.h"

#include <wx/log.h>

#include <cerrno>

#include "windows/DeviceEnumeration.h"
#include "windows/DiscoveryRules.h"
#include "windows/Win32Handles.h"

namespace {

// GUID_DEVCLASS_PORTS: the "Ports (COM & LPT)" setup class that USB CDC serial drivers join.
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr wchar_t kUsbEnumerator[] = L"USB";
constexpr wchar_t kPortNameValue[] = L"PortName";
constexpr DWORD kPortNameBufferBytes = 200;

constexpr DWORD kLineSpeed = CBR_115200;
// With both read intervals at MAXDWORD a read returns at once with whatever is waiting, and
// otherwise waits the total constant for the first byte.
constexpr DWORD kReadFirstByteWaitMs = 10;
constexpr DWORD kWriteTimeoutPerByteMs = 1;
constexpr DWORD kWriteTimeoutBaseMs = 1500;

// The PortName value of the element's device key ("COM7"), or empty after logging why not.
wxString ReadPortName(HDEVINFO set, SP_DEVINFO_DATA& element)
{
    RegistryKey key{static_cast<HKEY>(ValidOrNull(
        SetupDiOpenDevRegKey(set, &element, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ)))};
    if (!key) {
        wxLogMessage("SetupDiOpenDevRegKey failed (%d)", static_cast<int>(GetLastError()));
        return {};
    }
    // Zeroed, and handed over whole: a value that fills the buffer exactly comes without its NUL.
    wchar_t name[kPortNameBufferBytes / sizeof(wchar_t)] = {};
    DWORD size = kPortNameBufferBytes;
    DWORD type = REG_NONE;
    // The registry calls return their error instead of setting the thread's last error.
    const LSTATUS status = RegQueryValueExW(key.get(), kPortNameValue, nullptr, &type,
                                            reinterpret_cast<BYTE*>(name), &size);
    return PortNameFromRegistry(static_cast<uint32_t>(status), type, {name, std::size(name)});
}

void ConfigureLine(HANDLE handle)
{
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(handle, &settings)) {
        wxLogMessage("GetCommState failed (%d)", static_cast<int>(GetLastError()));
        return;
    }
    // Byte size, parity, stop bits and flow control stay as the driver reports them. Drivers
    // without modem lines (wine's on a pseudo-terminal) refuse the handshake; the device talks
    // all the same, so the result does not matter.
    settings.BaudRate = kLineSpeed;
    settings.fDtrControl = DTR_CONTROL_HANDSHAKE;
    SetLastError(ERROR_SUCCESS);
    SetCommState(handle, &settings);
}

void SetTimeouts(HANDLE handle)
{
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadFirstByteWaitMs;
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutBaseMs;
    if (!SetCommTimeouts(handle, &timeouts))
        wxLogMessage("SetCommTimeouts failed (%d)", static_cast<int>(GetLastError()));
}

// An empty read cannot tell "nothing yet" from "gone": some drivers (wine's on a hung-up
// pseudo-terminal among them) go on returning nothing from a port whose device has left, while
// asking for the port's state then fails.
bool PortStillWorks(HANDLE handle)
{
    DWORD errors = 0;
    return ClearCommError(handle, &errors, nullptr) != 0;
}

HANDLE AsWin32(SerialHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

// INVALID_HANDLE_VALUE is -1 as an integer: a closed port looks the same in either form.
static_assert(kClosedSerialHandle == -1);
static_assert(sizeof(DCB) == 28, "GetCommState checks DCBlength against this size");
static_assert(kRegistryText == REG_SZ);

std::vector<ListedPort> ListZephlarkSerialPorts()
{
    const DeviceInfoSet set = GetPresentDevices(kPortsClass, kUsbEnumerator, DIGCF_PRESENT);
    if (!set)
        return {};
    std::vector<ListedPort> ports;
    ForEachDevice(set.get(), [&](SP_DEVINFO_DATA& element) {
        if (!NamesZephlarkPort(HardwareIds(set.get(), element)))
            return false;
        const wxString name = ReadPortName(set.get(), element);
        if (!name.empty())
            ports.push_back({name, UsbIdentityOf(AncestryOf(element))});
        return false;
    });
    return ports;
}

SerialHandle OpenSerialHandle(const wxString& portName, SerialOpenFailure& failure)
{
    // The device namespace prefix: without it only COM1 to COM9 can be opened.
    const wxString path = wxString::Format("\\\\.\\%s", portName);
    const HANDLE handle = CreateFileW(path.wc_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A COM port allows one handle: another program's open makes ours fail as access denied.
        const DWORD error = GetLastError();
        const bool inUse = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        failure = inUse ? SerialOpenFailure::InUse : SerialOpenFailure::Other;
        LogFailedOpen(portName, wxSysErrorMsgStr(error),
                      inUse ? "It may be in use by another program (zephlark-cli, a terminal "
                              "program?). Close it; the connection follows on the next device "
                              "notice."
                            : "");
        return kClosedSerialHandle; // the caller tries again on the next device notice
    }
    ConfigureLine(handle);
    SetTimeouts(handle);
    return reinterpret_cast<SerialHandle>(handle);
}

void CloseSerialHandle(SerialHandle handle)
{
    CloseHandle(AsWin32(handle));
}

int64_t ReadSerialHandle(SerialHandle port, uint8_t* buffer, uint32_t count)
{
    const HANDLE handle = AsWin32(port);
    DWORD received = 0;
    // Not EAGAIN: a failed read here means the device went away, and the reader must not spin
    // on it.
    if (!ReadFile(handle, buffer, count, &received, nullptr) ||
        (received == 0 && !PortStillWorks(handle))) {
        errno = EIO;
        return -1;
    }
    return received;
}

int64_t WriteSerialHandleOnce(SerialHandle port, const wxString&, const uint8_t* data,
                              size_t length)
{
    // The shared loop writes the rest of a longer buffer in further calls.
    const DWORD chunk = length > MAXDWORD ? MAXDWORD : static_cast<DWORD>(length);
    DWORD written = 0;
    if (!WriteFile(AsWin32(port), data, chunk, &written, nullptr)) {
        errno = EIO; // as a failed read: the device is gone or broken, not busy
        return -1;
    }
    return written;
}
