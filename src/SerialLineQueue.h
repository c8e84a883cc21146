#pragma once

#include <wx/string.h>
#include <wx/thread.h>

#include <cstdint>
#include <deque>
#include <string>

class wxEvtHandler;

// The bytes the reader thread received and the handshake that announces complete lines to the
// GUI thread: at most one notification (a wxThreadEvent) is outstanding until ReadyForMore, so
// the GUI's event queue stays bounded however fast the device talks.
class SerialLineQueue
{
public:
    static constexpr size_t kLimitBytes = 0x100000; // 1 MiB

    SerialLineQueue(wxEvtHandler* connection, int eventId);

    // Reader thread: one received byte. True when it ended a line (the notify point follows).
    bool QueueByte(uint8_t byte);
    // Reader thread: posts one notification when a line waits and the GUI is ready for it.
    void NotifyIfLineReady();

    // GUI thread. False (out unchanged) when no complete line was flagged.
    bool GetLine(wxString& out);
    // GUI thread. Lets the next notification go out.
    void ReadyForMore();
    size_t QueuedBytes();

private:
    wxEvtHandler* const connection;
    const int eventId;

    wxCriticalSection lock; // guards everything below
    std::deque<uint8_t> byteQueue;
    bool lineReady = false;
    bool consumerReady = true;
    std::string lineScratch;
};
