#include "SerialLineQueue.h"

#include <wx/event.h>
#include <wx/log.h>

#include <algorithm>

namespace {

constexpr uint8_t kLineFeed = 0x0a;
constexpr uint8_t kCarriageReturn = 0x0d;

bool IsPrintableAscii(char c)
{
    return c >= 0x20 && c <= 0x7e;
}

} // namespace

SerialLineQueue::SerialLineQueue(wxEvtHandler* connection, int eventId)
    : connection(connection), eventId(eventId)
{}

void SerialLineQueue::QueueBytes(const uint8_t* bytes, size_t count)
{
    wxCriticalSectionLocker guard(lock);
    for (size_t i = 0; i < count; ++i) {
        if (QueueByte(bytes[i]))
            NotifyIfLineReady();
    }
    NotifyIfLineReady();
}

bool SerialLineQueue::QueueByte(uint8_t byte)
{
    if (byteQueue.size() >= kLimitBytes) {
        // The GUI has not drained the queue for a long time (a modal box, a stuck handler):
        // dropping the backlog bounds memory, and the device's later lines still get through.
        wxLogMessage("Serial buffer full (%zu bytes)", byteQueue.size());
        byteQueue.clear();
        // Nothing complete is left: a flag left set would hand out the start of an unfinished line.
        lineReady = false;
        return false;
    }
    byteQueue.push_back(byte);
    if (byte != kLineFeed)
        return false;
    lineReady = true;
    return true;
}

void SerialLineQueue::NotifyIfLineReady()
{
    if (!lineReady || !consumerReady)
        return;
    wxThreadEvent event(wxEVT_THREAD, eventId);
    connection->AddPendingEvent(event);
    consumerReady = false;
}

bool SerialLineQueue::GetLine(wxString& out)
{
    wxCriticalSectionLocker guard(lock);
    if (!lineReady)
        return false;
    lineScratch.clear();
    while (!byteQueue.empty()) {
        const uint8_t byte = byteQueue.front();
        byteQueue.pop_front();
        if (byte == kLineFeed)
            break;
        if (byte != kCarriageReturn)
            lineScratch.push_back(static_cast<char>(byte));
    }
    out = wxString::FromUTF8(lineScratch.data(), lineScratch.size());
    if (out.empty() && !lineScratch.empty()) {
        for (char& c : lineScratch) {
            if (!IsPrintableAscii(c))
                c = '.';
        }
        out = "<UTF8ERR>" + wxString::FromAscii(lineScratch.c_str());
    }
    // A NUL is valid UTF-8 but ends the text wherever the line goes as a C string (the log, the
    // clipboard): shown as a dot, like an invalid byte, the rest of the line survives.
    out.Replace(wxString(wxUniChar(0)), ".");
    lineReady = std::find(byteQueue.begin(), byteQueue.end(), kLineFeed) != byteQueue.end();
    return true;
}

void SerialLineQueue::ReadyForMore()
{
    wxCriticalSectionLocker guard(lock);
    consumerReady = true;
}

void SerialLineQueue::DropUnfinishedLine()
{
    wxCriticalSectionLocker guard(lock);
    const auto lastLineFeed = std::find(byteQueue.rbegin(), byteQueue.rend(), kLineFeed);
    byteQueue.erase(lastLineFeed.base(), byteQueue.end());
}

bool SerialLineQueue::HasLine()
{
    wxCriticalSectionLocker guard(lock);
    return lineReady;
}

size_t SerialLineQueue::QueuedBytes()
{
    wxCriticalSectionLocker guard(lock);
    return byteQueue.size();
}
