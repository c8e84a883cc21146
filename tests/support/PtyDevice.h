#pragma once

// The simulated device behind a pseudo-terminal, for tests and benchmarks of the real serial
// layer: a thread reads the master side, feeds the bytes to a SimDevice and writes the device's
// output back. The host opens the slave side as it would open /dev/ttyACM0.
//
// The device starts plugged in, in serial mode. What the host sees of its other USB faces (the
// port going away, the data disk) is up to the test's testbed: set a face listener through
// WithDevice to follow them.

#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/SimDevice.h"

namespace sim {

class PtyDevice
{
public:
    // Opens a pseudo-terminal of its own (raw); SlavePath() names the port for the host.
    PtyDevice();
    // Serves the master side of an existing pseudo-terminal (such as umockdev's). The fd stays
    // the caller's; it is switched to non-blocking.
    explicit PtyDevice(int masterFd);
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // False when the pseudo-terminal or the thread could not be set up (logged).
    bool IsRunning() const { return thread.joinable(); }
    // Empty when serving a master that was handed in.
    const std::string& SlavePath() const { return slavePath; }

    // Runs f with the device locked; the serving thread waits meanwhile. f must not call this
    // object again.
    void WithDevice(const std::function<void(SimDevice&)>& f);

    // Goes on serving the same device (its state, its timers) on another master, the caller's,
    // as when a testbed brings the device back as a new tty node. What the device had not
    // written yet is dropped.
    void Attach(int masterFd);

private:
    void Start();
    void Stop();
    void Serve();

    int master = -1;
    bool ownsMaster = false;
    int slave = -1; // kept open so that the master does not report a hang-up while no host is
    std::string slavePath;

    std::mutex mutex; // guards device and stopping
    SimDevice device;
    bool stopping = false;
    std::thread thread;
};

} // namespace sim
