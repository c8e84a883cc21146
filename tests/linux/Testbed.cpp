#include "Testbed.h"

#include <umockdev.h>

#include <cstdlib>

#include <dlfcn.h>

namespace {

bool UnderUmockdevPreload()
{
    // umockdev_in_mock_environment() caches its first answer and judges by the inode of /sys, so
    // ask the loader whether the preload library is really in this process.
    return dlopen("libumockdev-preload.so.0", RTLD_LAZY | RTLD_NOLOAD) != nullptr;
}

} // namespace

std::string UsbSerialDevice::UsbSysPath() const
{
    return "/sys/devices/pci0000:00/0000:00:14.0/usb1/" + usbPort;
}

std::string UsbSerialDevice::InterfaceSysPath() const
{
    return UsbSysPath() + "/" + usbPort + ":1.0";
}

std::string UsbSerialDevice::TtySysPath() const
{
    return InterfaceSysPath() + "/tty/" + tty;
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
    // umockdev wants paths without the /sys prefix here. "N: ttyACMn" makes the node a pty;
    // DEVNAME is what libudev reports as the node.
    const auto inSys = [](const std::string& path) { return path.substr(4); };
    Add("P: " + inSys(device.UsbSysPath()) +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + device.idVendor +
        "\nA: idProduct=" + device.idProduct + "\n\n" + "P: " + inSys(device.InterfaceSysPath()) +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=cdc_acm\n\n" +
        "P: " + inSys(device.TtySysPath()) + "\nN: " + device.tty +
        "\nE: SUBSYSTEM=tty\nE: DEVNAME=" + device.Node() + "\n");
}

void Testbed::Unplug(const UsbSerialDevice& device)
{
    const std::string leafToRoot[] = {device.TtySysPath(), device.InterfaceSysPath(),
                                      device.UsbSysPath()};
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

void UmockdevTest::SetUp()
{
    if (!UnderUmockdevPreload())
        GTEST_SKIP() << "Not under umockdev-wrapper: refusing to touch the real /sys and /dev";
    const char* scratch = std::getenv("TMPDIR");
    if (!scratch || !*scratch)
        GTEST_SKIP() << "TMPDIR must point at a scratch folder (ctest sets one)";
    ASSERT_EQ(g_mkdir_with_parents(scratch, 0700), 0) << "cannot create " << scratch;
    testbed = std::make_unique<Testbed>();
}
