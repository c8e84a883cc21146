#include "Serial.h"
#include "SerialInternal.h"

#include <wx/log.h>

#include <cstdio>

int64_t ZephlarkSerialWrite(const uint8_t* data, size_t length)
{
    int64_t lastWritten = 0;
    size_t remaining = length;
    while (remaining > 0) {
        const int64_t written =
            ZephlarkSerialIsOpen() ? ZephlarkSerialWriteOnce(data, remaining) : 0;
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

int64_t ZephlarkSerialSendLine(const char* text)
{
    // Used only from the GUI thread, like the port's other writers.
    static char buffer[kSerialLineBufferBytes];
    const int formatted = std::snprintf(buffer, sizeof buffer, "%s\n", text);
    if (formatted < 1 || static_cast<size_t>(formatted) >= sizeof buffer)
        return 0; // empty, or too long to send whole: a cut command must never reach the device
    return ZephlarkSerialWrite(reinterpret_cast<const uint8_t*>(buffer),
                               static_cast<size_t>(formatted));
}
