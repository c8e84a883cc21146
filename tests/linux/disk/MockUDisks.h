#pragma once

// A stand-in for udisks2: drives and filesystems under their usual object paths, served through
// the ObjectManager on a ServiceThread. Mount makes a folder and records it in MountPoints (the
// reply going out before the property change, as with udisks2); Eject and PowerOff take the drive
// and its filesystems away, as a device leaving its data-disk mode does.

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ServiceThread.h"

typedef struct _GDBusObjectManagerServer GDBusObjectManagerServer;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GVariant GVariant;
typedef struct _MockUDisksDrive MockUDisksDrive;
typedef struct _MockUDisksFilesystem MockUDisksFilesystem;

struct MockDrive
{
    std::string name; // object path /org/freedesktop/UDisks2/drives/<name>
    std::string vendor = "Orvex";
    std::string model = "Zephlark";
    std::string connectionBus = "usb";
    bool ejectable = true;
    bool canPowerOff = true;
};

struct MockFilesystem
{
    std::string name;  // block object /org/freedesktop/UDisks2/block_devices/<name>, /dev/<name>
    std::string drive; // name of its drive
    std::string label = "ZEPHLARK";
    std::string mountPoint; // empty when not mounted; the folder is made
    bool hintIgnore = false;
};

class MockUDisks
{
public:
    // Mount mounts a filesystem at <mountRoot>/<its name>.
    explicit MockUDisks(std::string mountRoot);
    ~MockUDisks();

    // Takes org.freedesktop.UDisks2 on the bus at busAddress. False when it could not.
    bool Start(const std::string& busAddress);

    void Add(const MockDrive& drive);
    void Add(const MockFilesystem& filesystem);

    // From now on method ("Mount", "Unmount", "Eject" or "PowerOff") fails with this message.
    void Refuse(const std::string& method, const std::string& message);

    // Every method call so far, in order, as "<method> <object name>": "Unmount sdb1".
    std::vector<std::string> Calls() const;

    // Where Mount puts the filesystem named name.
    std::string MountPointFor(const std::string& name) const { return mountRoot + "/" + name; }

    // Runs action on the service thread each time Eject or PowerOff has taken a drive away, with
    // the drive's name: a simulated device learns there that the host ejected its disk. action
    // must not call this object.
    void OnDriveRemoved(std::function<void(const std::string& drive)> action);

private:
    bool RefusedAfterRecording(const char* method, GDBusMethodInvocation* call);
    bool HasMountedFilesystem(const std::string& drivePath) const;
    void Remove(const std::string& drivePath);

    // Method handlers; each answers the call and returns true (handled).
    static int OnMount(MockUDisksFilesystem* filesystem, GDBusMethodInvocation* call, GVariant*,
                       MockUDisks* self);
    static int OnUnmount(MockUDisksFilesystem* filesystem, GDBusMethodInvocation* call, GVariant*,
                         MockUDisks* self);
    static int OnEject(MockUDisksDrive* drive, GDBusMethodInvocation* call, GVariant*,
                       MockUDisks* self);
    static int OnPowerOff(MockUDisksDrive* drive, GDBusMethodInvocation* call, GVariant*,
                          MockUDisks* self);

    const std::string mountRoot;

    GDBusObjectManagerServer* manager = nullptr; // used on the service thread only

    mutable std::mutex lock; // guards calls, refusals and driveRemoved
    std::vector<std::string> calls;
    std::map<std::string, std::string> refusals; // method -> message
    std::function<void(const std::string&)> driveRemoved;

    ServiceThread service; // last: it stops before the members above go
};
