#pragma once

// A small synchronous client of udisks2 on the system bus: one snapshot of its drives and
// filesystems, and the four actions the data disk needs. Every call blocks the calling thread for
// at most kUDisksCallTimeout and never runs a main loop, so it is safe on the GUI thread.
//
// Strings are kept as udisks2 sends them: UTF-8 for names, raw bytes for device and mount paths.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;

constexpr auto kUDisksCallTimeout = std::chrono::seconds{5};

struct UDisksDrive
{
    std::string objectPath;
    std::string vendor;
    std::string model;
    std::string connectionBus;
    std::string serial; // the USB serial string for a USB drive; empty when it has none
    bool ejectable = false;
    bool canPowerOff = false;
};

// A block device that carries a filesystem.
struct UDisksFilesystem
{
    std::string objectPath;
    std::string drivePath; // object path of its drive, "/" when it has none
    std::string device;    // "/dev/sdb1"
    std::string label;
    bool hintIgnore = false;
    std::vector<std::string> mountPoints;
};

// Both lists sorted by object path, so that "the first" is the same on every call.
struct UDisksObjects
{
    std::vector<UDisksDrive> drives;
    std::vector<UDisksFilesystem> filesystems;
};

class UDisksClient
{
public:
    // Connects to the system bus (DBUS_SYSTEM_BUS_ADDRESS when set) and lists udisks2's objects.
    // Nothing when either fails; error then says why.
    static std::optional<UDisksClient> Open(UDisksObjects& objects, std::string& error);

    // Each returns false with udisks2's own message in error when the call fails.
    bool Mount(const UDisksFilesystem& filesystem, std::string& mountPath,
               std::string& error) const;
    bool Unmount(const UDisksFilesystem& filesystem, std::string& error) const;
    bool Eject(const UDisksDrive& drive, std::string& error) const;
    bool PowerOff(const UDisksDrive& drive, std::string& error) const;

private:
    struct Unref
    {
        void operator()(GDBusConnection* bus) const;
    };
    using BusPtr = std::unique_ptr<GDBusConnection, Unref>;

    static BusPtr SystemBus(std::string& error);
    explicit UDisksClient(BusPtr bus) : bus(std::move(bus)) {}

    bool CallAction(const std::string& objectPath, const char* interface, const char* method,
                    std::string* result, std::string& error) const;

    BusPtr bus;
};
