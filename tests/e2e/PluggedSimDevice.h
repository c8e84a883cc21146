#pragma once

// The simulated device plugged into a umockdev testbed and a mock udisks2, so that the program's
// real Linux layer finds it the way it finds the hardware. Its serial face is a USB tty whose
// pseudo-terminal master the device serves; its data-disk face is a USB disk with one partition
// that udisks2 reports unmounted (the program has to mount it), the partition's mount point being
// the device's disk folder.
//
// A thread of its own follows the device as the kernel and udisks2 would, looking at it as often
// as the device's serving thread does: when the device leaves serial mode it hangs up the tty and
// unplugs it; when it presents its disk it plugs the disk; when it comes back to serial mode it
// plugs a tty under the next name (a removed node's name cannot be used again in a testbed); when
// the host ejects the disk through udisks2 it unplugs the disk and tells the device.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "PtyDevice.h"
#include "Testbed.h"

class MockUDisks;

// Where a simulated device is plugged in, and what USB and udisks2 tell of it.
struct DevicePlace
{
    std::string serialNumber = sim::kDefaultSerialNumber; // the one the device reports
    std::string usbPort = "1-1";
    std::string disk = "sdb";
    // Its USB device carries the serial number and its udisks2 drive none, so that only usbPort
    // ties its disk to it; else only its drive tells the serial number.
    bool serialOnUsb = false;
};

class PluggedSimDevice
{
public:
    // Plugs the device in serial mode under the testbed's next tty name. The testbed and the mock
    // must outlive it.
    PluggedSimDevice(Testbed& testbed, MockUDisks& udisks, const DevicePlace& place = {});
    ~PluggedSimDevice();
    PluggedSimDevice(const PluggedSimDevice&) = delete;
    PluggedSimDevice& operator=(const PluggedSimDevice&) = delete;

    // Runs f with the device locked. f must not call this object.
    void WithDevice(const std::function<void(sim::SimDevice&)>& f);
    // The device's data disk: a real folder, where udisks2 mounts the disk's partition.
    const std::string& DiskFolder() const { return diskFolder; }
    // Its udisks2 drive's object name ("Zephlark_sdb").
    const std::string& DriveName() const { return driveName; }

private:
    void FollowDevice();
    void Follow();
    void PlugSerial(uint64_t session);
    void UnplugSerial();

    Testbed& testbed;
    MockUDisks& udisks;
    const DevicePlace place;
    const UsbDiskDevice disk;
    const std::string driveName;
    const std::string diskFolder;

    // The follower thread's view of what is plugged.
    std::optional<UsbSerialDevice> tty;
    uint64_t ttySession = 0; // the device's serial session that tty carries
    bool diskPlugged = false;

    std::mutex deviceUse; // one caller of device at a time: Attach restarts its serving thread
    std::unique_ptr<sim::PtyDevice> device;

    std::atomic<bool> diskEjected{false}; // raised on GDBus' thread
    std::atomic<bool> stopping{false};
    std::thread follower;
};
