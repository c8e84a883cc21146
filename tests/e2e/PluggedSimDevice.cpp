#include "PluggedSimDevice.h"

#include <chrono>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "MockUDisks.h"

namespace {

// As often as the device's serving thread looks at its timers.
constexpr auto kFollowPoll = std::chrono::milliseconds{5};

UsbDiskDevice DiskAt(const DevicePlace& place)
{
    UsbDiskDevice disk{place.usbPort, place.disk};
    if (place.serialOnUsb)
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
    });
    udisks.OnDriveRemoved(driveName, [this] { diskEjected = true; });
    follower = std::thread([this] { FollowDevice(); });
}

PluggedSimDevice::~PluggedSimDevice()
{
    udisks.OnDriveRemoved(driveName, nullptr);
    stopping = true;
    follower.join();
}

void PluggedSimDevice::WithDevice(const std::function<void(sim::SimDevice&)>& f)
{
    std::lock_guard<std::mutex> guard(deviceUse);
    device->WithDevice(f);
}

// The testbed is changed on this thread alone: the device's face changes under its own lock, and
// udisks2's eject is noticed on GDBus' thread.
void PluggedSimDevice::FollowDevice()
{
    while (!stopping) {
        if (diskEjected.exchange(false)) {
            if (diskPlugged)
                testbed.UnplugDisk(disk);
            diskPlugged = false;
            WithDevice([](sim::SimDevice& d) { d.EjectDisk(); });
        }
        Follow();
        std::this_thread::sleep_for(kFollowPoll);
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
    if (!place.serialOnUsb)
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
