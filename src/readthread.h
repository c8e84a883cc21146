#pragma once

#include <wx/thread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

class SerialLineQueue;
class SerialPort;
class wxEvtHandler;

// Reads its connection's serial port on a thread of its own into the connection's SerialLineQueue,
// which tells the GUI thread when a complete line waits. When the port fails under it (the device
// hung up), it tells the connection with a wxThreadEvent of portLostEventId, once per failure: the
// system's removal notice may have been handled while the port was still listed, and then nothing
// else would ever notice that the device is gone. A port that gives no hang-up (a pseudo-terminal)
// leaves the connection to look again; the thread, awake every read, reminds it when asked to.
class SerialReadThread : public wxThread
{
public:
    SerialReadThread(SerialPort& port, SerialLineQueue& queue, wxEvtHandler* connection,
                     int portLostEventId, int lookAgainEventId);

    // GUI thread. Park blocks until the thread has stopped at the top of its loop, where it holds
    // no lock and no read is in flight, so that the port may then be closed; Unpark lets it go on.
    // wxThread::Pause cannot serve: on Unix it only sets a flag and returns at once.
    void Park();
    void Unpark();
    bool IsParked();
    // GUI thread. Waits until the thread, started or unparked, has come to its first read, or limit
    // passes: the device's first answers must find a reader, and a fixed pause would hold the GUI
    // thread longer than a window may freeze.
    void WaitUntilReading(std::chrono::milliseconds limit);
    // GUI thread. Counts the Unpark calls; a port-lost event carries the session its failed read
    // belonged to, so that one from an earlier connection, handled late, can be told apart.
    int Session();
    // GUI thread. Ends the thread, whether parked or reading, and joins it. False when the join
    // failed.
    bool Stop();
    // GUI thread. Posts an event of lookAgainEventId to the connection every interval (as closely
    // as its reads allow) until span has passed or the thread parks. A later call starts afresh.
    void RemindToLookAgain(std::chrono::milliseconds interval, std::chrono::milliseconds span);

protected:
    ExitCode Entry() override;

private:
    // Waits before the next read after a failed one, cut short by Park or Stop.
    void IdleAfterReadFailure();
    // The loop's only stop point, where no lock is held and no read is in flight: parks here
    // when asked to; false once the thread should end.
    bool StopPointAllowsReading();

    void ReportPortLost();
    void RemindWhenDue();

    SerialPort& port;
    SerialLineQueue& queue;
    wxEvtHandler* const connection;
    const int portLostEventId;
    const int lookAgainEventId;
    // Reader thread only.
    bool portLostReported = false; // until a read succeeds again or the thread parks
    int readingSession = 0;

    // Guards parkRequested, parked, stopRequested, finished, session, reading and the reminders.
    std::mutex parkMutex;
    std::condition_variable parkChanged;
    std::chrono::milliseconds reminderInterval{0};
    std::chrono::steady_clock::time_point nextReminder;
    std::chrono::steady_clock::time_point remindersEnd; // none after it; none at all at first
    int session = 0;
    bool reading = false; // passed its stop point since it started or was last unparked
    bool parkRequested = false;
    bool parked = false;
    bool stopRequested = false;
    bool finished = false;
};
