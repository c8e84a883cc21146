#pragma once

#include <wx/string.h>
#include <wx/thread.h>

#include <condition_variable>
#include <mutex>

#include "SerialLineQueue.h"

// Reads the device's serial port on a thread of its own into a SerialLineQueue, which tells the
// GUI thread when a complete line waits. The GUI side takes the lines out with GetLine and re-arms
// the notification with ReadyForMore.
class SerialReadThread : public wxThread
{
public:
    SerialReadThread(wxEvtHandler* connection, int eventId);

    // GUI thread.
    bool GetLine(wxString& out) { return queue.GetLine(out); }
    void ReadyForMore() { queue.ReadyForMore(); }
    size_t QueuedBytes() { return queue.QueuedBytes(); }

    // GUI thread. Park blocks until the thread has stopped at the top of its loop, where it holds
    // no lock and no read is in flight, so that the port may then be closed; Unpark lets it go on.
    // wxThread::Pause cannot serve: on Unix it only sets a flag and returns at once.
    void Park();
    void Unpark();
    bool IsParked();
    // GUI thread. Ends the thread, whether parked or reading, and joins it. False when the join
    // failed.
    bool Stop();

protected:
    ExitCode Entry() override;

private:
    // Waits before the next read after a failed one, cut short by Park or Stop.
    void IdleAfterReadFailure();
    // The loop's only stop point, where no lock is held and no read is in flight: parks here
    // when asked to; false once the thread should end.
    bool StopPointAllowsReading();

    SerialLineQueue queue;

    std::mutex parkMutex; // guards parkRequested, parked, stopRequested, finished
    std::condition_variable parkChanged;
    bool parkRequested = false;
    bool parked = false;
    bool stopRequested = false;
    bool finished = false;
};
