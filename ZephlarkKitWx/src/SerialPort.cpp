#include "Serial.h"
#include "SerialInternal.h"

#include <wx/log.h>

#include <cerrno>
#include <cstdio>
#include <set>

namespace {

std::set<wxString> openHere; // the names of this process's open ports; GUI thread only

} // namespace

wxString FindZephlarkSerialPort()
{
    const auto ports = ListZephlarkSerialPorts();
    return ports.empty() ? wxString() : ports.front().name;
}

SerialPort::~SerialPort()
{
    ZephlarkSerialClose(*this);
}

bool ZephlarkSerialOpen(SerialPort& port, const wxString& portName)
{
    const SerialHandle existing = port.handle.load();
    if (existing != kClosedSerialHandle) {
        wxLogMessage("Serial port was already open (%p)", reinterpret_cast<void*>(existing));
        return true;
    }
    if (openHere.count(portName) > 0) {
        port.lastOpenFailure = SerialOpenFailure::InUse;
        LogFailedOpen(portName, "it is already open in this program", wxString());
        return false;
    }
    port.lastOpenFailure = SerialOpenFailure::None;
    const SerialHandle handle = OpenSerialHandle(portName, port.lastOpenFailure);
    if (handle == kClosedSerialHandle)
        return false;
    port.name = portName;
    openHere.insert(portName);
    port.handle = handle;
    return true;
}

bool ZephlarkSerialIsOpen(const SerialPort& port)
{
    return port.handle.load() != kClosedSerialHandle;
}

SerialOpenFailure ZephlarkSerialLastOpenFailure(const SerialPort& port)
{
    return port.lastOpenFailure;
}

bool ZephlarkSerialIsOpenHere(const wxString& portName)
{
    return openHere.count(portName) > 0;
}

void ZephlarkSerialClose(SerialPort& port)
{
    const SerialHandle handle = port.handle.exchange(kClosedSerialHandle);
    if (handle == kClosedSerialHandle)
        return;
    CloseSerialHandle(handle);
    openHere.erase(port.name);
}

int64_t ZephlarkSerialRead(SerialPort& port, uint8_t* buffer, uint32_t count)
{
    const SerialHandle handle = port.handle.load();
    if (handle == kClosedSerialHandle) {
        errno = EBADF;
        return -1;
    }
    return ReadSerialHandle(handle, buffer, count);
}

int64_t ZephlarkSerialWrite(SerialPort& port, const uint8_t* data, size_t length)
{
    int64_t lastWritten = 0;
    size_t remaining = length;
    while (remaining > 0) {
        const SerialHandle handle = port.handle.load();
        const int64_t written = handle != kClosedSerialHandle
                                    ? WriteSerialHandleOnce(handle, port.name, data, remaining)
                                    : 0;
        if (written <= 0) {
            // A closed port and a failed call end the same way; a call that wrote nothing within
            // the time-out counts as failed, or a stuck device would hold the GUI thread forever.
            wxLogMessage("Serial write Failed: (%lu != %zu)",
                         static_cast<unsigned long>(written < 0 ? 0 : written), remaining);
            return -1;
        }
        lastWritten = written;
        data += written;
        remaining -= static_cast<size_t>(written);
    }
    return lastWritten;
}

int64_t ZephlarkSerialSendLine(SerialPort& port, const char* text)
{
    char buffer[kSerialLineBufferBytes];
    const int formatted = std::snprintf(buffer, sizeof buffer, "%s\n", text);
    if (formatted < 1 || static_cast<size_t>(formatted) >= sizeof buffer)
        return 0; // empty, or too long to send whole: a cut command must never reach the device
    return ZephlarkSerialWrite(port, reinterpret_cast<const uint8_t*>(buffer),
                               static_cast<size_t>(formatted));
}
