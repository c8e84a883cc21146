#include "cli/DeviceChoice.h"

#include <wx/utils.h>

#include <algorithm>

#include "DataDisk.h"
#include "cli/CliOptions.h"

DeviceName NamedDevice(const CliOptions& options)
{
    if (!options.port.empty() || !options.serial.empty())
        return {options.port, options.serial};
    wxString serial;
    wxGetEnv("ZEPHLARK_SERIAL", &serial);
    return {wxString(), serial};
}

std::vector<ListedPort> ListedDevices()
{
    std::vector<ListedPort> devices = ListZephlarkSerialPorts();
    for (const ListedDisk& disk : ListZephlarkDisks()) {
        const bool hasPort =
            std::any_of(devices.begin(), devices.end(), [&](const ListedPort& device) {
                return SameDevice(device.identity, disk.identity);
            });
        if (!hasPort)
            devices.push_back({wxString(), disk.identity});
    }
    return devices;
}

DeviceChoice ChooseDevice(const DeviceName& name, const std::vector<ListedPort>& devices,
                          const SerialAnswers& answers)
{
    if (name.Empty())
        return {devices.size() > 1 ? DeviceChoiceKind::Several : DeviceChoiceKind::First, {}};
    for (const ListedPort& device : devices) {
        const bool named = name.serial.empty() ? !device.name.empty() && device.name == name.port
                                               : device.identity.serialNumber == name.serial;
        if (named)
            return {DeviceChoiceKind::Device, device};
    }
    if (name.serial.empty())
        return {DeviceChoiceKind::NotThere, {}};
    for (const ListedPort& device : devices) {
        if (!device.identity.serialNumber.empty() || device.name.empty())
            continue;
        const auto answer = answers.find(device.identity.location);
        if (answer == answers.end())
            return {DeviceChoiceKind::Ask, device};
        if (answer->second == name.serial)
            return {DeviceChoiceKind::Device, device};
    }
    return {DeviceChoiceKind::NotThere, {}};
}
