#pragma once

// The serial half of the platform layer. Each platform folder (linux/, sim/, windows/) implements
// these free functions; CMake links exactly one of them into a program.
//
// The layer holds one process-wide port: at most one is open at a time and every call works on it.
// Calls other than ZephlarkSerialRead run on the GUI thread; ZephlarkSerialRead runs on the reader
// thread. The handle is not locked: the caller parks its reader before it closes the port.
// Every failure is logged here, at message level, with the reason the system gave.

#include <wx/string.h>

#include <cstddef>
#include <cstdint>

// USB identity of the device's serial (CDC) interface.
constexpr uint16_t kZephlarkUsbVendorId = 0x7e21;
constexpr uint16_t kZephlarkUsbProductId = 0x0c4a;

// Name of the first device serial port in the system's enumeration order ("/dev/ttyACM0", "COM7"),
// or an empty string when no device is present. Logs only real failures, never "not found".
wxString FindZephlarkSerialPort();

// Opens the port raw at 115200 baud with DTR asserted. True when a port is open afterwards; when
// one already was, logs "Serial port was already open (%p)", keeps it and returns true.
bool ZephlarkSerialOpen(const wxString& portName);

bool ZephlarkSerialIsOpen();

// Why the last ZephlarkSerialOpen failed, so that a caller can say so instead of retrying: InUse
// when another program holds the port (Linux: its TIOCEXCL, EBUSY; Windows: an unshared handle),
// Denied when this user may not open it. None after a successful open.
enum class SerialOpenFailure
{
    None,
    InUse,
    Denied,
    Other
};
SerialOpenFailure ZephlarkSerialLastOpenFailure();

// Harmless when nothing is open.
void ZephlarkSerialClose();

// Waits at most 10 ms for the first byte, then returns what is waiting (up to count bytes).
// 0 when nothing came, -1 when the port is closed, gone or the read failed (errno tells which;
// EAGAIN means "try again at once").
int64_t ZephlarkSerialRead(uint8_t* buffer, uint32_t count);

// Writes all bytes, giving up after about 1500 ms + 1 ms per byte. Returns the count of the last
// write call (0 for an empty write), or -1 after logging "Serial write Failed: (%lu != %zu)".
int64_t ZephlarkSerialWrite(const uint8_t* data, size_t length);

// Writes text and one line feed. A text longer than kMaxSerialLineBytes is refused: nothing is
// written and 0 is returned.
int64_t ZephlarkSerialSendLine(const char* text);

constexpr size_t kSerialLineBufferBytes = 1024;
constexpr size_t kMaxSerialLineBytes = kSerialLineBufferBytes - 2; // room for "\n" and the NUL
