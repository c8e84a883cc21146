#include "Serial.h"

#include <wx/log.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "linux/UdevHandles.h"

namespace {

// sysfs spells the USB identifiers as four lower-case hex digits ("7e21"); the comparison is exact,
// like the kernel's own output, so "7E21" never matches.
std::string UsbIdText(uint16_t id)
{
    return wxString::Format("%04x", id).ToStdString();
}

// A CDC ACM tty sits below its USB interface, which sits below the USB device; the ancestor walk
// skips the interface. A tty of another device plugged into a hub that carried the identifiers
// would be below the hub too, but its nearest USB device is its own.
bool IsTtyOf(udev_device* tty, udev_device* usb)
{
    udev_device* nearest = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
    return nearest &&
           std::strcmp(udev_device_get_syspath(nearest), udev_device_get_syspath(usb)) == 0;
}

UdevHandle<udev_enumerate> NewScan(udev* context)
{
    UdevHandle<udev_enumerate> scan{udev_enumerate_new(context)};
    if (!scan)
        wxLogMessage("Cannot search for the device's serial port: udev_enumerate_new failed (%s)",
                     wxSysErrorMsgStr(errno));
    return scan;
}

// result is that of the calls that set the scan's matches. False, with the reason logged, when
// libudev cannot list; an empty list is no failure.
bool RunScan(udev_enumerate* scan, int result, const char* what)
{
    if (result >= 0)
        result = udev_enumerate_scan_devices(scan);
    if (result < 0)
        wxLogMessage("Cannot search for the device's serial port: listing %s failed (%s)", what,
                     wxSysErrorMsgStr(-result));
    return result >= 0;
}

UdevHandle<udev_enumerate> ScanZephlarkUsbDevices(udev* context)
{
    auto scan = NewScan(context);
    if (!scan)
        return nullptr;
    int result = udev_enumerate_add_match_subsystem(scan.get(), "usb");
    if (result >= 0)
        result = udev_enumerate_add_match_sysattr(scan.get(), "idVendor",
                                                  UsbIdText(kZephlarkUsbVendorId).c_str());
    if (result >= 0)
        result = udev_enumerate_add_match_sysattr(scan.get(), "idProduct",
                                                  UsbIdText(kZephlarkUsbProductId).c_str());
    return RunScan(scan.get(), result, "USB devices") ? std::move(scan) : nullptr;
}

UdevHandle<udev_enumerate> ScanTtysBelow(udev* context, udev_device* usb)
{
    auto scan = NewScan(context);
    if (!scan)
        return nullptr;
    int result = udev_enumerate_add_match_subsystem(scan.get(), "tty");
    if (result >= 0)
        result = udev_enumerate_add_match_parent(scan.get(), usb);
    return RunScan(scan.get(), result, "tty devices") ? std::move(scan) : nullptr;
}

wxString Attribute(udev_device* device, const char* name)
{
    const char* value = udev_device_get_sysattr_value(device, name);
    return value ? wxString::FromUTF8(value) : wxString();
}

// The USB device's "serial" attribute (absent when it reports no serial string) and its sysfs name,
// which names the socket it is plugged into ("1-2.3").
UsbIdentity IdentityOf(udev_device* usb)
{
    return {Attribute(usb, "serial"), wxString::FromUTF8(udev_device_get_sysname(usb))};
}

// The device's first tty below one USB device with the identifiers; empty when it has none.
wxString FirstTtyBelow(udev* context, udev_device* usb)
{
    const auto scan = ScanTtysBelow(context, usb);
    if (!scan)
        return {};
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get()))
    {
        // A device may leave between the scan and this look-up: skip it quietly.
        UdevHandle<udev_device> tty{
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry))};
        if (!tty || !IsTtyOf(tty.get(), usb))
            continue;
        if (const char* node = udev_device_get_devnode(tty.get()))
            return node;
    }
    return {};
}

} // namespace

// Listing every tty and walking up from each cost milliseconds per call on a desktop, with its
// dozens of consoles and UARTs, and the update's waits look every 50 ms: the search starts from the
// few USB devices and looks only below those with the identifiers. libudev lists both by sysfs
// path, and a tty's path begins with its USB device's, so the ports come in the order that a
// listing of all ttys would give.
std::vector<ListedPort> ListZephlarkSerialPorts()
{
    UdevHandle<udev> context{udev_new()};
    if (!context) {
        wxLogMessage("Cannot search for the device's serial port: udev_new failed (%s)",
                     wxSysErrorMsgStr(errno));
        return {};
    }
    const auto devices = ScanZephlarkUsbDevices(context.get());
    if (!devices)
        return {};
    std::vector<ListedPort> ports;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(devices.get()))
    {
        UdevHandle<udev_device> usb{
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry))};
        if (!usb)
            continue;
        const wxString port = FirstTtyBelow(context.get(), usb.get());
        if (!port.empty())
            ports.push_back({port, IdentityOf(usb.get())});
    }
    return ports;
}
