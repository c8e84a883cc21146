// The device access checks where the system needs no set-up of its own (Windows, the simulated
// device): the port and the data disk are found or not.

#include "DeviceAccessChecks.h"

#include "DataDisk.h"
#include "Serial.h"

std::vector<DeviceAccessCheck> CheckDeviceAccess()
{
    const wxString port = FindZephlarkSerialPort();
    const wxString disk = FindZephlarkDiskPath();
    return {
        port.empty()
            ? DeviceAccessCheck{"port", false, "No Zephlark serial port found.",
                                "Plug in and unlock the Zephlark."}
            : DeviceAccessCheck{"port", true, "The Zephlark's serial port is " + port + ".", ""},
        // The disk is there only while the device is in its data-disk mode (during an update).
        DeviceAccessCheck{"disk", true,
                          disk.empty() ? wxString("No Zephlark data disk now (it appears only "
                                                  "while an update copies files).")
                                       : "The Zephlark's data disk is " + disk + ".",
                          ""},
    };
}
