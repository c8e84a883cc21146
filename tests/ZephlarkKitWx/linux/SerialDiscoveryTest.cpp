#include "Serial.h"

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "Testbed.h"

namespace {

using SerialDiscovery = UmockdevTest;

// The look-alikes beside the devices: any one check loosened lists a tty too many.
TEST_F(SerialDiscovery, ListsOnlyTheDevicesInSysfsPathOrderWithTheirIdentityAndTheFirstWins)
{
    // sysfs writes the identifiers in lower case; anything else is not the device.
    testbed->Plug({"1-1", "ttyACM3", "7e21", "0C4A"});
    testbed->Plug({"1-2", "ttyACM4", "7e21", "0c4b"});
    testbed->Plug({"1-3", "ttyACM5", "7e22", "0c4a"});
    // A board UART with no USB above it.
    testbed->Add("P: /devices/platform/serial8250/tty/ttyS0\nN: ttyS0\nE: SUBSYSTEM=tty\nE: "
                 "DEVNAME=/dev/ttyS0\n");
    // Another vendor's serial adapter plugged into a hub that carries the device's identifiers:
    // the tty counts for the USB device right above it.
    const std::string hub = "/devices/pci0000:00/0000:00:14.0/usb1/1-4";
    const std::string adapter = hub + "/1-4.2";
    testbed->Add(
        "P: " + hub + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=7e21\n" +
        "A: idProduct=0c4a\n\nP: " + adapter +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=0403\nA: idProduct=6001\n\n" +
        "P: " + adapter + "/1-4.2:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n" +
        "P: " + adapter + "/1-4.2:1.0/tty/ttyUSB0\nN: ttyUSB0\nE: SUBSYSTEM=tty\n" +
        "E: DEVNAME=/dev/ttyUSB0\n");
    // libudev sorts what it enumerates by sysfs path, whatever order the devices came in.
    testbed->Plug({"1-7", "ttyACM0", "7e21", "0c4a", "ZL-000125"});
    testbed->Plug({"1-5", "ttyACM1"});
    testbed->Plug({"1-6", "ttyACM2", "7e21", "0c4a", "ZL-000124"});
    LogCapture log;

    EXPECT_EQ(FindZephlarkSerialPort(), "/dev/ttyACM1");
    const auto ports = ListZephlarkSerialPorts();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].identity.serialNumber, ""); // the device reports none
    EXPECT_EQ(ports[0].identity.location, "1-5");
    EXPECT_EQ(ports[1].name, "/dev/ttyACM2");
    EXPECT_EQ(ports[1].identity.serialNumber, "ZL-000124");
    EXPECT_EQ(ports[1].identity.location, "1-6");
    EXPECT_EQ(ports[2].identity.serialNumber, "ZL-000125");
    EXPECT_TRUE(log.Messages().empty());
}

} // namespace
