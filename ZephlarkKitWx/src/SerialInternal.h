#pragma once

// What every platform's serial layer shares: the hooks each provides under the port functions of
// SerialPort.cpp, and the log line of a failed open (SerialOpenLog.cpp).

#include <wx/string.h>

#include <cstddef>
#include <cstdint>

#include "Serial.h"

// The platform's handle on an open port; kClosedSerialHandle stands for none.
using SerialHandle = intptr_t;
constexpr SerialHandle kClosedSerialHandle = -1;

// Opens and configures the named port. kClosedSerialHandle, with failure set and the failure
// logged (LogFailedOpen), when it cannot.
SerialHandle OpenSerialHandle(const wxString& name, SerialOpenFailure& failure);
void CloseSerialHandle(SerialHandle handle);
// As ZephlarkSerialRead, on an open handle.
int64_t ReadSerialHandle(SerialHandle handle, uint8_t* buffer, uint32_t count);
// One write call on the open port named name: the number of bytes written (possibly fewer than
// asked), or -1 when the call failed. Must not block longer than the platform's write time-out
// (about 1500 ms + 1 ms per byte).
int64_t WriteSerialHandleOnce(SerialHandle handle, const wxString& name, const uint8_t* data,
                              size_t length);

// Logs a failed open of port as one line with the system's reason; the first time this advice is
// given for this port, the advice (what fixes it; empty: none) follows on the same line. An open
// that fails as the last failed one did (same port, same reason) within a second of it is not
// logged again: the firmware update's waits and zephlark-cli's retry the port every 50 ms.
void LogFailedOpen(const wxString& port, const wxString& reason, const wxString& advice);
