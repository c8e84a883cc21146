#include "readthread.h"

#include <wx/event.h>

#include <cerrno>
#include <chrono>

#include "Serial.h"
#include "SerialLineQueue.h"

namespace {

constexpr size_t kReadChunkBytes = 1024;
constexpr auto kRetryAfterReadFailure = std::chrono::seconds{1};

} // namespace

SerialReadThread::SerialReadThread(SerialPort& port, SerialLineQueue& queue,
                                   wxEvtHandler* connection, int portLostEventId,
                                   int lookAgainEventId)
    : wxThread(wxTHREAD_JOINABLE), port(port), queue(queue), connection(connection),
      portLostEventId(portLostEventId), lookAgainEventId(lookAgainEventId)
{}

wxThread::ExitCode SerialReadThread::Entry()
{
    uint8_t buffer[kReadChunkBytes];
    while (StopPointAllowsReading()) {
        // Taking everything that waits in one read keeps up with a flooding device; each byte
        // still goes through the per-byte rules in arrival order.
        const int64_t count = ZephlarkSerialRead(port, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EAGAIN)
                continue;
            ReportPortLost();
            IdleAfterReadFailure();
        } else {
            portLostReported = false;
        }
        queue.QueueBytes(buffer, count > 0 ? static_cast<size_t>(count) : 0);
        RemindWhenDue();
    }
    std::lock_guard<std::mutex> guard(parkMutex);
    finished = true;
    parkChanged.notify_all();
    return 0;
}

void SerialReadThread::Park()
{
    std::unique_lock<std::mutex> guard(parkMutex);
    parkRequested = true;
    parkChanged.notify_all();
    parkChanged.wait(guard, [this] { return parked || finished; });
}

void SerialReadThread::Unpark()
{
    std::lock_guard<std::mutex> guard(parkMutex);
    ++session;
    reading = false;
    parkRequested = false;
    parkChanged.notify_all();
}

void SerialReadThread::WaitUntilReading(std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> guard(parkMutex);
    parkChanged.wait_for(guard, limit, [this] { return reading || finished; });
}

int SerialReadThread::Session()
{
    std::lock_guard<std::mutex> guard(parkMutex);
    return session;
}

bool SerialReadThread::IsParked()
{
    std::lock_guard<std::mutex> guard(parkMutex);
    return parked;
}

bool SerialReadThread::Stop()
{
    {
        std::lock_guard<std::mutex> guard(parkMutex);
        stopRequested = true;
        parkChanged.notify_all();
    }
    // Wait joins the thread whatever state it reached; Delete would skip the join of a thread that
    // had already ended, and could not wake one that is parked.
    return Wait() != reinterpret_cast<ExitCode>(-1);
}

void SerialReadThread::RemindToLookAgain(std::chrono::milliseconds interval,
                                         std::chrono::milliseconds span)
{
    std::lock_guard<std::mutex> guard(parkMutex);
    const auto now = std::chrono::steady_clock::now();
    reminderInterval = interval;
    nextReminder = now + interval;
    remindersEnd = now + span;
}

void SerialReadThread::RemindWhenDue()
{
    {
        std::lock_guard<std::mutex> guard(parkMutex);
        const auto now = std::chrono::steady_clock::now();
        if (now < nextReminder || now > remindersEnd)
            return;
        nextReminder = now + reminderInterval;
    }
    connection->AddPendingEvent(wxThreadEvent(wxEVT_THREAD, lookAgainEventId));
}

bool SerialReadThread::StopPointAllowsReading()
{
    std::unique_lock<std::mutex> guard(parkMutex);
    if (parkRequested && !stopRequested) {
        remindersEnd = {}; // a parked port is closed: there is nothing left to look for
        parked = true;
        parkChanged.notify_all();
        parkChanged.wait(guard, [this] { return !parkRequested || stopRequested; });
        parked = false;
        portLostReported = false; // a new port, or the same one opened again
        readingSession = session;
    }
    if (!reading && !parkRequested) {
        reading = true;
        parkChanged.notify_all();
    }
    return !stopRequested;
}

void SerialReadThread::ReportPortLost()
{
    if (portLostReported)
        return;
    portLostReported = true;
    wxThreadEvent event(wxEVT_THREAD, portLostEventId);
    event.SetInt(readingSession);
    connection->AddPendingEvent(event);
}

void SerialReadThread::IdleAfterReadFailure()
{
    // The port is closed or the device hung up; the GUI thread will notice on its next refresh.
    // Retrying once a second costs nothing, and a park or stop request cuts the wait short.
    std::unique_lock<std::mutex> guard(parkMutex);
    parkChanged.wait_for(guard, kRetryAfterReadFailure,
                         [this] { return parkRequested || stopRequested; });
}
