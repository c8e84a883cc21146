#pragma once

// The tests' side of the mock udisks2 (../dbus/udisks2.py) on the test's PrivateBus: drives and
// filesystems under their usual object paths, Mount making a folder and recording it in
// MountPoints, Eject and PowerOff taking the drive and its filesystems away, as a device leaving
// its data-disk mode does.

#include <functional>
#include <string>
#include <vector>

class PrivateBus;
struct DriveRemovals;
typedef struct _GVariant GVariant;

struct MockDrive
{
    std::string name; // object path /org/freedesktop/UDisks2/drives/<name>
    std::string vendor = "Orvex";
    std::string model = "Zephlark";
    std::string connectionBus = "usb";
    std::string serial = "";
    bool ejectable = true;
    bool canPowerOff = true;
};

struct MockFilesystem
{
    std::string name; // block object /org/freedesktop/UDisks2/block_devices/<name>, /dev/<name>
    std::string mountPoint = ""; // empty when not mounted; the folder is made
    std::string label = "ZEPHLARK";
    bool hintIgnore = false;
};

class MockUDisks
{
public:
    // Mount mounts a filesystem at <mountRoot>/<its name>.
    MockUDisks(const PrivateBus& bus, std::string mountRoot);
    ~MockUDisks();
    MockUDisks(const MockUDisks&) = delete;
    MockUDisks& operator=(const MockUDisks&) = delete;

    // Empties the mock. False when udisks2 on the bus is not the mock: a test that would eject
    // through it then refuses to run.
    bool Start();

    // The drive with its one filesystem.
    void Add(const MockDrive& drive, const MockFilesystem& filesystem);

    // From now on method ("Mount", "Unmount", "Eject" or "PowerOff") fails with this message.
    void Refuse(const std::string& method, const std::string& message);

    // Every method call so far, in order, as "<method> <object name>": "Unmount sdb1".
    std::vector<std::string> Calls() const;

    // Where Mount puts the filesystem named name.
    std::string MountPointFor(const std::string& name) const { return mountRoot + "/" + name; }

    // After Start: runs action each time Eject or PowerOff has taken the drive named drive away,
    // on GDBus' own thread: a simulated device learns there that the host ejected its disk. action
    // must not call this object; a null one stops it.
    void OnDriveRemoved(const std::string& drive, std::function<void()> action);

private:
    GVariant* Control(const char* method, GVariant* parameters = nullptr) const;
    void Tell(const char* method, GVariant* parameters) const;

    const PrivateBus& bus;
    const std::string mountRoot;
    DriveRemovals* removals = nullptr; // owned by the bus connection's filter
    unsigned filter = 0;
};
