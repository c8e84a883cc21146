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

    // Reader thread: what one read brought, byte by byte in arrival order, under one lock. After
    // each line feed, and at the end, comes the notify point: one notification is posted when a
    // line waits and the GUI is ready for it.
    void QueueBytes(const uint8_t* bytes, size_t count);

    // GUI thread. False (out unchanged) when no complete line was flagged.
    bool GetLine(wxString& out);
    // GUI thread. Lets the next notification go out.
    void ReadyForMore();
    size_t QueuedBytes();
    // GUI thread. True when GetLine would give a line.
    bool HasLine();
    // GUI thread, with the reader parked. Drops the bytes after the last line feed: what a device
    // sent before it went away must not be glued to the first line of the next connection.
    void DropUnfinishedLine();

private:
    // Both with lock held. QueueByte is true when the byte ended a line.
    bool QueueByte(uint8_t byte);
    void NotifyIfLineReady();

    wxEvtHandler* const connection;
    const int eventId;

    wxCriticalSection lock; // guards everything below
    std::deque<uint8_t> byteQueue;
    bool lineReady = false;
    bool consumerReady = true;
    std::string lineScratch;
};
