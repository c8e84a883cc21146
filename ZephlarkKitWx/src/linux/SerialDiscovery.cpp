#include "Serial.h"

#include <wx/log.h>

#include <cerrno>
#include <cstring>

#include "linux/UdevHandles.h"

namespace {

// sysfs spells the USB identifiers as four lower-case hex digits ("7e21"); the comparison is exact,
// like the kernel's own output, so "7E21" never matches.
wxString UsbIdText(uint16_t id)
{
    return wxString::Format("%04x", id);
}

bool AttributeIs(udev_device* device, const char* name, const wxString& expected)
{
    const char* value = udev_device_get_sysattr_value(device, name);
    return value && expected == value;
}

// A CDC ACM tty sits below its USB interface, which sits below the USB device that carries the
// identifiers; the ancestor walk skips the interface.
bool BelongsToZephlark(udev_device* tty)
{
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
    return usb && AttributeIs(usb, "idVendor", UsbIdText(kZephlarkUsbVendorId)) &&
           AttributeIs(usb, "idProduct", UsbIdText(kZephlarkUsbProductId));
}

UdevHandle<udev_enumerate> ScanTtys(udev* context)
{
    UdevHandle<udev_enumerate> scan{udev_enumerate_new(context)};
    if (!scan) {
        wxLogMessage("Cannot search for the device's serial port: udev_enumerate_new failed (%s)",
                     wxSysErrorMsgStr(errno));
        return nullptr;
    }
    int result = udev_enumerate_add_match_subsystem(scan.get(), "tty");
    if (result >= 0)
        result = udev_enumerate_scan_devices(scan.get());
    if (result < 0) {
        wxLogMessage("Cannot search for the device's serial port: listing tty devices failed (%s)",
                     wxSysErrorMsgStr(-result));
        return nullptr;
    }
    return scan;
}

} // namespace

wxString FindZephlarkSerialPort()
{
    UdevHandle<udev> context{udev_new()};
    if (!context) {
        wxLogMessage("Cannot search for the device's serial port: udev_new failed (%s)",
                     wxSysErrorMsgStr(errno));
        return {};
    }
    const auto scan = ScanTtys(context.get());
    if (!scan)
        return {};
    // libudev hands the list out sorted by sysfs path, so "first" is stable from run to run.
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get()))
    {
        // A device may leave between the scan and this look-up: skip it quietly.
        UdevHandle<udev_device> tty{
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry))};
        if (!tty || !BelongsToZephlark(tty.get()))
            continue;
        if (const char* node = udev_device_get_devnode(tty.get()))
            return node;
    }
    return {};
}
