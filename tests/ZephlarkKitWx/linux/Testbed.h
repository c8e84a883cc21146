#pragma once

// A umockdev testbed for one test: fake USB serial devices that libudev enumerates and watches,
// each with a pseudo-terminal as its tty whose master end plays the device.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

struct UsbSerialDevice
{
    std::string usbPort;         // "1-1": where it sits in sysfs, which orders the enumeration
    std::string tty = "ttyACM0"; // a removed name cannot be plugged again in the same testbed
    std::string idVendor = "7e21";
    std::string idProduct = "0c4a";
    std::string serial = ""; // the USB serial string; none when empty

    std::string TtySysPath() const;
    std::string Node() const { return "/dev/" + tty; }
};

// The device in its data-disk mode as the kernel shows it: a USB mass-storage interface with a
// disk and its one partition. No /dev nodes: the disk service is a mock and nothing opens them.
struct UsbDiskDevice
{
    std::string usbPort;
    std::string disk = "sdb";
    std::string idVendor = "7e21";
    std::string idProduct = "0c4a";
    std::string serial = "";

    std::string DiskSysPath() const;
    std::string PartitionSysPath() const;
    std::string Partition() const { return disk + "1"; }
};

// Why this process must not make a testbed (not under umockdev's preload library, without which
// libudev and open() reach the real /sys and /dev; no scratch TMPDIR: an aborted run leaves
// umockdev's folders in TMPDIR), or empty.
std::string UmockdevRefusal();

class Testbed
{
public:
    Testbed();
    ~Testbed();
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // Creates the device (umockdev announces each sysfs entry with "add").
    void Plug(const UsbSerialDevice& device);
    // Announces "remove" leaf to root, then takes the entries away.
    void Unplug(const UsbSerialDevice& device);
    // The same for the device in its data-disk mode; the disk may be plugged again under its name.
    void PlugDisk(const UsbDiskDevice& device);
    void UnplugDisk(const UsbDiskDevice& device);
    // Adds sysfs entries from umockdev's text format (P:, E:, A: lines).
    void Add(const std::string& description);
    void Announce(const std::string& sysPath, const char* action);
    // The device's end of the tty.
    int Master(const UsbSerialDevice& device);
    // A tty name no device of this testbed has had ("ttyACM0", "ttyACM1", ...), as the kernel
    // numbers the ports of every device in turn.
    std::string NewTtyName() { return "ttyACM" + std::to_string(ttysNamed++); }

private:
    void RemoveLeafToRoot(const std::vector<std::string>& leafToRoot);

    UMockdevTestbed* testbed;
    int ttysNamed = 0;
};

// Base fixture: skips where UmockdevRefusal() says why.
class UmockdevTest : public testing::Test
{
protected:
    void SetUp() override;

    std::unique_ptr<Testbed> testbed;
};
