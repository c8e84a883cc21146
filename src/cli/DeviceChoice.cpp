#include "cli/DeviceChoice.h"

#include <wx/utils.h>

#include <algorithm>

#include "DataDisk.h"
#include "cli/CliOptions.h"
#include "cli/DeviceWait.h"
#include "deviceconnection.h"

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

ConnectionChooser::ConnectionChooser(DeviceConnection& connection, DeviceName name)
    : connection(connection), name(std::move(name))
{}

ConnectionChooser::~ConnectionChooser() = default;

std::optional<std::vector<ListedPort>> ConnectionChooser::Look()
{
    std::vector<ListedPort> devices = ListedDevices();
    const DeviceChoice choice = ChooseDevice(name, devices, answers);
    startedAsking = false;
    switch (choice.kind) {
    case DeviceChoiceKind::Several:
        return devices;
    case DeviceChoiceKind::Ask:
        Ask(choice.device.identity);
        return std::nullopt;
    case DeviceChoiceKind::Device:
        connection.PinDevice(choice.device.identity);
        chosen = true;
        break;
    case DeviceChoiceKind::First:
        chosen = true;
        break;
    case DeviceChoiceKind::NotThere:
        break;
    }
    probe.reset();
    return std::nullopt;
}

// A device that cannot be opened or says nothing in time is taken as not the named one.
void ConnectionChooser::Ask(const UsbIdentity& device)
{
    startedAsking = !probe || !SameDevice(asked, device);
    if (startedAsking) {
        probe.reset();
        probe = std::make_unique<DeviceConnection>(nullptr);
        probe->PinDevice(device);
        asked = device;
        askedAt = TheClock().Now();
    }
    const bool answered = probe->IsDeviceIdentified();
    if (answered || probe->GetOpenFailure() != SerialOpenFailure::None ||
        TheClock().Now() >= askedAt + kDeviceAnswerLimit) {
        answers[device.location] = answered ? probe->GetSerialNumber() : wxString();
        probe.reset();
    }
}
