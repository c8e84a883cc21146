#include "Testbed.h"

#include <glib/gstdio.h>
#include <umockdev.h>

#include <cstdlib>

#include <dlfcn.h>

namespace {

std::string UsbDeviceSysPath(const std::string& usbPort)
{
    return "/sys/devices/pci0000:00/0000:00:14.0/usb1/" + usbPort;
}

std::string FirstInterfaceSysPath(const std::string& usbPort)
{
    return UsbDeviceSysPath(usbPort) + "/" + usbPort + ":1.0";
}

// umockdev wants paths without the /sys prefix in its text format.
std::string InSys(const std::string& path)
{
    return path.substr(4);
}

template <typename Device> std::string UsbDeviceDescription(const Device& device)
{
    return "P: " + InSys(UsbDeviceSysPath(device.usbPort)) +
           "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + device.idVendor +
           "\nA: idProduct=" + device.idProduct +
           (device.serial.empty() ? "" : "\nA: serial=" + device.serial) + "\n\n";
}

// No "N:" line: the block devices get no /dev node.
std::string BlockDescription(const std::string& sysPath, const std::string& devType,
                             const std::string& name)
{
    return "P: " + InSys(sysPath) + "\nE: SUBSYSTEM=block\nE: DEVTYPE=" + devType +
           "\nE: DEVNAME=/dev/" + name + "\n\n";
}

} // namespace

std::string UsbSerialDevice::TtySysPath() const
{
    return FirstInterfaceSysPath(usbPort) + "/tty/" + tty;
}

std::string UsbDiskDevice::DiskSysPath() const
{
    return FirstInterfaceSysPath(usbPort) + "/host6/target6:0:0/6:0:0:0/block/" + disk;
}

std::string UsbDiskDevice::PartitionSysPath() const
{
    return DiskSysPath() + "/" + Partition();
}

Testbed::Testbed() : testbed(umockdev_testbed_new()) {}

Testbed::~Testbed()
{
    g_object_unref(testbed);
}

void Testbed::Add(const std::string& description)
{
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
        ADD_FAILURE() << "umockdev rejected a device: " << error->message;
        g_error_free(error);
    }
}

void Testbed::Plug(const UsbSerialDevice& device)
{
    // "N: ttyACMn" makes the node a pty; DEVNAME is what libudev reports as the node.
    Add(UsbDeviceDescription(device) + "P: " + InSys(FirstInterfaceSysPath(device.usbPort)) +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=cdc_acm\n\n" +
        "P: " + InSys(device.TtySysPath()) + "\nN: " + device.tty +
        "\nE: SUBSYSTEM=tty\nE: DEVNAME=" + device.Node() + "\n");
}

void Testbed::Unplug(const UsbSerialDevice& device)
{
    RemoveLeafToRoot({device.TtySysPath(), FirstInterfaceSysPath(device.usbPort),
                      UsbDeviceSysPath(device.usbPort)});
}

void Testbed::PlugDisk(const UsbDiskDevice& device)
{
    Add(UsbDeviceDescription(device) + "P: " + InSys(FirstInterfaceSysPath(device.usbPort)) +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=usb-storage\n\n" +
        BlockDescription(device.DiskSysPath(), "disk", device.disk) +
        BlockDescription(device.PartitionSysPath(), "partition", device.Partition()));
}

void Testbed::UnplugDisk(const UsbDiskDevice& device)
{
    RemoveLeafToRoot({device.PartitionSysPath(), device.DiskSysPath(),
                      FirstInterfaceSysPath(device.usbPort), UsbDeviceSysPath(device.usbPort)});
    // umockdev leaves the /sys/block links of a removed block device behind, and a later add of
    // the same name fails on them; the kernel gives a replugged disk its old name again.
    g_autofree gchar* sysDir = umockdev_testbed_get_sys_dir(testbed);
    const std::string blockLinks = std::string(sysDir) + "/block/";
    for (const auto& name : {device.disk, device.Partition()})
        g_unlink((blockLinks + name).c_str());
}

void Testbed::RemoveLeafToRoot(const std::vector<std::string>& leafToRoot)
{
    for (const auto& path : leafToRoot)
        Announce(path, "remove");
    for (const auto& path : leafToRoot)
        umockdev_testbed_remove_device(testbed, path.c_str());
}

void Testbed::Announce(const std::string& sysPath, const char* action)
{
    umockdev_testbed_uevent(testbed, sysPath.c_str(), action);
}

int Testbed::Master(const UsbSerialDevice& device)
{
    return umockdev_testbed_get_dev_fd(testbed, device.Node().c_str());
}

std::string UmockdevRefusal()
{
    // umockdev_in_mock_environment() caches its first answer and judges by the inode of /sys, so
    // ask the loader whether the preload library is really in this process.
    if (!dlopen("libumockdev-preload.so.0", RTLD_LAZY | RTLD_NOLOAD))
        return "Not under umockdev-wrapper: refusing to touch the real /sys and /dev";
    const char* scratch = std::getenv("TMPDIR");
    if (!scratch || !*scratch)
        return "TMPDIR must point at a scratch folder (ctest sets one)";
    return {};
}

void UmockdevTest::SetUp()
{
    const std::string refusal = UmockdevRefusal();
    if (!refusal.empty())
        GTEST_SKIP() << refusal;
    testbed = std::make_unique<Testbed>();
}
