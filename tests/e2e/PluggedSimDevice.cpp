#include "PluggedSimDevice.h"

#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include "MockUDisks.h"

namespace {

UsbDiskDevice DiskAt(const DevicePlace& place)
{
    UsbDiskDevice disk{place.usbPort, place.disk};
    if (place.usbSerial)
        disk.serial = place.serialNumber;
    return disk;
}

} // namespace

PluggedSimDevice::PluggedSimDevice(Testbed& testbed, MockUDisks& udisks, const DevicePlace& place)
    : testbed(testbed), udisks(udisks), place(place), disk(DiskAt(place)),
      driveName("Zephlark_" + place.disk), diskFolder(udisks.MountPointFor(disk.Partition()))
{
    std::filesystem::create_directories(diskFolder);
    PlugSerial(0);
    device = std::make_unique<sim::PtyDevice>(testbed.Master(*tty));
    device->WithDevice([this](sim::SimDevice& d) {
        d.Settings().diskFolder = diskFolder;
        d.Settings().version.serialNumber = this->place.serialNumber;
        ttySession = d.SerialSession();
        d.SetFaceListener([this] { Notify(faceMayHaveChanged); });
    });
    udisks.OnDriveRemoved(driveName, [this] { Notify(diskEjected); });
    follower = std::thread([this] { FollowDevice(); });
}

PluggedSimDevice::~PluggedSimDevice()
{
    udisks.OnDriveRemoved(driveName, nullptr);
    {
        std::lock_guard<std::mutex> guard(eventLock);
        stopping = true;
    }
    eventCame.notify_one();
    follower.join();
    // Before the members its face listener uses go.
    device.reset();
}

void PluggedSimDevice::WithDevice(const std::function<void(sim::SimDevice&)>& f)
{
    std::lock_guard<std::mutex> guard(deviceUse);
    device->WithDevice(f);
}

void PluggedSimDevice::Notify(bool& event)
{
    {
        std::lock_guard<std::mutex> guard(eventLock);
        event = true;
    }
    eventCame.notify_one();
}

// The device calls its face listener with its own lock held, and udisks2's eject is noticed on
// GDBus' thread: both only raise a flag, and the testbed is changed here, on this thread alone.
void PluggedSimDevice::FollowDevice()
{
    std::unique_lock<std::mutex> lock(eventLock);
    for (;;) {
        eventCame.wait(lock, [this] { return stopping || faceMayHaveChanged || diskEjected; });
        if (stopping)
            return;
        const bool ejected = std::exchange(diskEjected, false);
        faceMayHaveChanged = false;
        lock.unlock();
        if (ejected) {
            if (diskPlugged)
                testbed.UnplugDisk(disk);
            diskPlugged = false;
            WithDevice([](sim::SimDevice& d) { d.EjectDisk(); });
        }
        Follow();
        lock.lock();
    }
}

void PluggedSimDevice::Follow()
{
    sim::UsbFace face{};
    uint64_t session = 0;
    std::string label;
    WithDevice([&](sim::SimDevice& d) {
        face = d.Face();
        session = d.SerialSession();
        label = d.Settings().diskLabel;
    });
    const bool serial = face == sim::UsbFace::Serial;
    // A new serial session while a tty is plugged is a re-enumeration: a new port, the old one
    // hung up.
    if (tty && (!serial || session != ttySession))
        UnplugSerial();
    if (serial && !tty) {
        PlugSerial(session);
        std::lock_guard<std::mutex> guard(deviceUse);
        device->Attach(testbed.Master(*tty));
    }
    // The device leaves its disk mode only when the host ejects the disk, which unplugs it.
    if (face != sim::UsbFace::Disk || diskPlugged)
        return;
    // The mock knows the drive before the kernel's notice goes out, so the refresh that notice
    // causes finds it; a real udisks2 may be slower, and the program then finds it a poll later.
    MockDrive drive{driveName};
    if (place.driveSerial)
        drive.serial = place.serialNumber;
    udisks.Add(drive, {disk.Partition(), "", label});
    testbed.PlugDisk(disk);
    diskPlugged = true;
}

void PluggedSimDevice::PlugSerial(uint64_t session)
{
    tty = UsbSerialDevice{disk.usbPort, testbed.NewTtyName()};
    tty->serial = disk.serial;
    testbed.Plug(*tty);
    ttySession = session;
}

void PluggedSimDevice::UnplugSerial()
{
    // Putting /dev/null in the master's place closes the pty's device end, so the host's open port
    // hangs up as it does when the device leaves USB. The device goes on running its timers on the
    // fd until it is attached to its next tty.
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    dup2(null, testbed.Master(*tty));
    close(null);
    testbed.Unplug(*tty);
    tty.reset();
}
