#pragma once

// What the sim platform's calls share: the one device model, the host's one port, discovery state
// and the device-change watches, all behind one lock. Internal to the sim platform.

#include <wx/string.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Serial.h"
#include "UsbIdentity.h"
#include "sim/SimDevice.h"

namespace sim {

inline constexpr char kDefaultPortName[] = "simACM0";

// The host's handle on the device's serial port.
struct HostPort
{
    bool open = false;
    uint64_t session = 0; // the device's serial session it was opened on
    wxString name;
};

class World
{
public:
    static World& Get();

    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // A fresh device, plugged in or not, and a host with nothing open. Call with mutex held.
    void Reset(bool plugged);
    // The open port lost its device: it left serial mode or came back as a new session.
    bool PortHungUp() const;
    void SetPortName(const wxString& name);
    // What USB would say of the device: its serial number, and "sim-0" for where it is plugged.
    UsbIdentity Identity() const;

    std::mutex mutex;
    // Notified when device output, the port or the device's schedule may have changed.
    std::condition_variable changed;

    // Guarded by mutex, like everything below.
    std::unique_ptr<SimDevice> device;
    HostPort port;
    wxString presentName; // the name discovery reports while the serial face is up
    int failingOpens = 0;
    SerialOpenFailure failingOpenReason = SerialOpenFailure::InUse;
    bool keepRemovedPortListed = false;
    bool portHangsUp = true; // else a port that lost its device reads nothing and swallows writes
    wxString listedName;     // what discovery reports: the serial face's name, or a kept one
    std::string written;
    wxString lastDiskLabel;
    std::vector<std::weak_ptr<std::function<void()>>> watches;

private:
    void OnFaceChanged();
    void PostNotices();
    void RunTicker();
    void EmptyDefaultDiskFolder();

    wxString baseName = kDefaultPortName;
    std::filesystem::path defaultDiskFolder;
    bool stopping = false;
    std::thread ticker;
};

// Holds the world's lock for one platform call. Taking it brings the device up to date with the
// clock; releasing it wakes whoever waits for the device (a read, the ticker).
class WorldAccess
{
public:
    WorldAccess();
    ~WorldAccess();
    WorldAccess(const WorldAccess&) = delete;
    WorldAccess& operator=(const WorldAccess&) = delete;

    World* operator->() { return &world; }
    SimDevice& Device() { return *world.device; }
    // Waits (real time) for a change or the deadline, then brings the device up to date again.
    void WaitUntil(std::chrono::steady_clock::time_point deadline);

private:
    World& world;
    std::unique_lock<std::mutex> lock;
};

} // namespace sim
