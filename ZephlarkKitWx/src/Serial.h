#pragma once

// The serial half of the platform layer. Each platform folder (linux/, sim/, windows/) implements
// the hooks of SerialInternal.h under these functions; CMake links exactly one of them into a
// program.
//
// A port is an object: each SerialPort is one port, open or closed, so that a program can hold one
// per device, several at once. The functions take the port they work on. One port name is open at
// most once in a process: a second SerialPort asking for it is refused as InUse, since two readers
// would split the device's lines between them.
// Calls other than ZephlarkSerialRead run on the GUI thread; ZephlarkSerialRead runs on the port's
// reader thread. The handle is not locked: the caller parks its reader before it closes the port.
// Every failure is logged here, at message level, with the reason the system gave.

#include <wx/string.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "UsbIdentity.h"

// USB identity of the device's serial (CDC) interface.
constexpr uint16_t kZephlarkUsbVendorId = 0x7e21;
constexpr uint16_t kZephlarkUsbProductId = 0x0c4a;

// Why the last ZephlarkSerialOpen of a port failed, so that a caller can say so instead of
// retrying: InUse when another program holds the port (Linux: its TIOCEXCL, EBUSY; Windows: an
// unshared handle) or another SerialPort of this one does, Denied when this user may not open it.
// None after a successful open.
enum class SerialOpenFailure
{
    None,
    InUse,
    Denied,
    Other
};

class SerialPort;

struct ListedPort
{
    wxString name; // "/dev/ttyACM0", "COM7"
    UsbIdentity identity;
};

// Every device serial port in the system's enumeration order, each with its USB device's identity;
// empty when no device is present. Logs only real failures, never "not found".
std::vector<ListedPort> ListZephlarkSerialPorts();

// Name of the first listed port, or an empty string when no device is present.
wxString FindZephlarkSerialPort();

// Opens the port raw at 115200 baud with DTR asserted. True when the port is open afterwards; when
// it already was, logs "Serial port was already open (%p)", keeps it and returns true.
bool ZephlarkSerialOpen(SerialPort& port, const wxString& portName);

bool ZephlarkSerialIsOpen(const SerialPort& port);
SerialOpenFailure ZephlarkSerialLastOpenFailure(const SerialPort& port);
// True while some SerialPort of this process holds the named port open.
bool ZephlarkSerialIsOpenHere(const wxString& portName);

// Harmless when the port is not open.
void ZephlarkSerialClose(SerialPort& port);

// Waits at most 10 ms for the first byte, then returns what is waiting (up to count bytes).
// 0 when nothing came, -1 when the port is closed, gone or the read failed (errno tells which;
// EAGAIN means "try again at once").
int64_t ZephlarkSerialRead(SerialPort& port, uint8_t* buffer, uint32_t count);

// Writes all bytes, giving up after about 1500 ms + 1 ms per byte. Returns the count of the last
// write call (0 for an empty write), or -1 after logging "Serial write Failed: (%lu != %zu)".
int64_t ZephlarkSerialWrite(SerialPort& port, const uint8_t* data, size_t length);

// Writes text and one line feed. A text longer than kMaxSerialLineBytes is refused: nothing is
// written and 0 is returned.
int64_t ZephlarkSerialSendLine(SerialPort& port, const char* text);

constexpr size_t kSerialLineBufferBytes = 1024;
constexpr size_t kMaxSerialLineBytes = kSerialLineBufferBytes - 2; // room for "\n" and the NUL

// One port; closed when destroyed. Only the functions above use what it holds.
class SerialPort
{
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

private:
    friend bool ZephlarkSerialOpen(SerialPort&, const wxString&);
    friend bool ZephlarkSerialIsOpen(const SerialPort&);
    friend SerialOpenFailure ZephlarkSerialLastOpenFailure(const SerialPort&);
    friend void ZephlarkSerialClose(SerialPort&);
    friend int64_t ZephlarkSerialRead(SerialPort&, uint8_t*, uint32_t);
    friend int64_t ZephlarkSerialWrite(SerialPort&, const uint8_t*, size_t);

    // The platform's handle (a file descriptor, a Win32 HANDLE, the simulated device's number), -1
    // while closed. The reader thread reads it without a lock while the GUI thread opens and
    // closes the port: atomic, so that it sees a whole handle or -1.
    std::atomic<intptr_t> handle{-1};
    wxString name;                                               // GUI thread only
    SerialOpenFailure lastOpenFailure = SerialOpenFailure::None; // GUI thread only
};
