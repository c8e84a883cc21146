#pragma once

// What the sim platform's calls share: the device models, the host's port on each, discovery state
// and the device-change watches, all behind one lock. Internal to the sim platform.

#include <wx/string.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Serial.h"
#include "UsbIdentity.h"
#include "sim/SimDevice.h"

namespace sim {

// The host's handle on a device's serial port.
struct HostPort
{
    bool open = false;
    uint64_t session = 0; // the device's serial session it was opened on
    wxString name;
};

// One simulated device and what the host sees of it.
struct Unit
{
    std::unique_ptr<SimDevice> device;
    HostPort port;
    wxString baseName;    // its port's name while nothing holds an earlier one ("simACM0")
    wxString presentName; // the name discovery reports while the serial face is up
    wxString listedName;  // what discovery reports: the serial face's name, or a kept one
    int failingOpens = 0;
    SerialOpenFailure failingOpenReason = SerialOpenFailure::InUse;
    bool keepRemovedPortListed = false;
    bool portHangsUp = true; // else a port that lost its device reads nothing and swallows writes
    std::string written;

    // The open port lost its device: it left serial mode or came back as a new session.
    bool PortHungUp() const;
};

class World
{
public:
    static World& Get();

    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // `count` fresh devices, plugged in or not, and a host with nothing open. Call with mutex held.
    void Reset(bool plugged, size_t count);
    void SetPortName(size_t unit, const wxString& name);
    // What USB would say of a device: its serial number, and "sim-<n>" for where it is plugged.
    UsbIdentity Identity(size_t unit) const;
    // The device whose serial face has this name, if any.
    std::optional<size_t> UnitNamed(const wxString& portName) const;

    std::mutex mutex;
    // Notified when device output, a port or a device's schedule may have changed.
    std::condition_variable changed;

    // Guarded by mutex, like everything below.
    std::vector<Unit> units;
    std::vector<std::weak_ptr<std::function<void()>>> watches;

    void RunDueActions();

private:
    void OnFaceChanged(size_t unit);
    wxString FreeNameAfter(const wxString& name) const;
    void PostNotices();
    void RunTicker();
    void EmptyDiskFolders();

    // One per device, made when its disk is first needed and kept across resets.
    std::vector<std::filesystem::path> diskFolders;
    bool stopping = false;
    std::thread ticker;
};

// Holds the world's lock for one platform call. Taking it brings the devices up to date with the
// clock; releasing it wakes whoever waits for a device (a read, the ticker).
class WorldAccess
{
public:
    WorldAccess();
    ~WorldAccess();
    WorldAccess(const WorldAccess&) = delete;
    WorldAccess& operator=(const WorldAccess&) = delete;

    World* operator->() { return &world; }
    // Index as sim::'s control functions take it; out of range is a programming error.
    Unit& UnitAt(size_t unit) { return world.units.at(unit); }
    SimDevice& Device(size_t unit = 0) { return *UnitAt(unit).device; }
    // Waits (real time) for a change or the deadline, then brings the devices up to date again.
    void WaitUntil(std::chrono::steady_clock::time_point deadline);

private:
    World& world;
    std::unique_lock<std::mutex> lock;
};

} // namespace sim
