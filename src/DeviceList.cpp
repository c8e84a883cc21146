#include "DeviceList.h"

#include <algorithm>

#include "DataDisk.h"
#include "DeviceInterface.h"
#include "Serial.h"
#include "deviceconnection.h"

// One listed device: its connection, what it last told of itself, and who hears of its changes.
class DeviceList::Device : public DeviceInterface
{
public:
    Device(DeviceList& list, const UsbIdentity& identity) : list(list), identity(identity)
    {
        connection.PinDevice(identity);
    }

    void DeviceConnectionChanged(bool connected) override
    {
        if (follower)
            follower->DeviceConnectionChanged(connected);
        list.NoteChange();
    }

    void DeviceIdentified() override
    {
        // Kept beyond the connection, which forgets them as the port closes: a device that
        // restarts is still named by them in the chooser.
        reportedSerialNumber = connection.GetSerialNumber();
        connection.GetVersionInfo(nullptr, nullptr, &version);
        if (follower)
            follower->DeviceIdentified();
        list.NoteChange();
    }

    [[nodiscard]] bool IsListed() const
    {
        return !connection.GetListedPortName().empty() || !connection.GetListedDiskPath().empty();
    }

    DeviceListEntry Entry() const
    {
        const wxString serialNumber =
            reportedSerialNumber.empty() ? identity.serialNumber : reportedSerialNumber;
        return {identity, connection.GetListedPortName(), serialNumber, version, Mode()};
    }

    DeviceList& list;
    const UsbIdentity identity;
    DeviceInterface* follower = nullptr;
    bool kept = false;
    wxString reportedSerialNumber;
    wxString version;
    // Last, so that it goes first: its end still tells this device, whose other members must live.
    DeviceConnection connection{this};

private:
    DeviceMode Mode() const
    {
        if (!connection.GetListedPortName().empty())
            return connection.IsPortOpen() ? DeviceMode::Serial : DeviceMode::Busy;
        return connection.GetListedDiskPath().empty() ? DeviceMode::Away : DeviceMode::DataDisk;
    }
};

bool SameEntry(const UsbIdentity& a, const UsbIdentity& b)
{
    const auto unknown = [](const UsbIdentity& identity) {
        return identity.serialNumber.empty() && identity.location.empty();
    };
    return SameDevice(a, b) || (unknown(a) && unknown(b));
}

DeviceList::DeviceList(std::function<void()> changed) : changed(std::move(changed)) {}

DeviceList::~DeviceList() = default;

void DeviceList::Refresh()
{
    bool came = false;
    for (const ListedPort& port : ListZephlarkSerialPorts())
        came |= Track(port.identity);
    for (const ListedDisk& disk : ListZephlarkDisks())
        came |= Track(disk.identity);
    for (const auto& device : devices)
        device->connection.DeviceChangeNoticed();
    if (DropAbsent() || came)
        NoteChange();
}

std::vector<DeviceListEntry> DeviceList::Entries() const
{
    std::vector<DeviceListEntry> entries;
    for (const auto& device : devices)
        entries.push_back(device->Entry());
    return entries;
}

bool DeviceList::AllIdentified() const
{
    return std::none_of(devices.begin(), devices.end(), [](const auto& device) {
        return device->connection.IsPortOpen() && device->connection.GetSerialNumber().empty();
    });
}

DeviceConnection* DeviceList::ConnectionFor(const UsbIdentity& identity)
{
    Device* device = Find(identity);
    return device ? &device->connection : nullptr;
}

void DeviceList::Keep(const UsbIdentity& identity, bool keep)
{
    Device* device = Find(identity);
    if (!device)
        return;
    device->kept = keep;
    // One no longer kept nor listed goes with the change notice.
    if (!keep)
        NoteChange();
}

void DeviceList::Follow(const UsbIdentity& identity, DeviceInterface* follower)
{
    for (const auto& device : devices)
        device->follower = SameEntry(device->identity, identity) ? follower : nullptr;
}

DeviceList::Device* DeviceList::Find(const UsbIdentity& identity) const
{
    for (const auto& device : devices) {
        if (SameEntry(device->identity, identity))
            return device.get();
    }
    return nullptr;
}

bool DeviceList::Track(const UsbIdentity& identity)
{
    if (Find(identity))
        return false;
    devices.push_back(std::make_unique<Device>(*this, identity));
    return true;
}

bool DeviceList::DropAbsent()
{
    const auto gone = std::stable_partition(devices.begin(), devices.end(), [](const auto& device) {
        return device->kept || device->IsListed();
    });
    if (gone == devices.end())
        return false;
    devices.erase(gone, devices.end());
    return true;
}

// A connection tells of a loss before it closes its port, and of a new device in the middle of a
// refresh: the notice waits for the event loop, when every entry says what it is.
void DeviceList::NoteChange()
{
    if (noticePending)
        return;
    noticePending = true;
    notices.CallAfter([this] {
        noticePending = false;
        // A connection that found its port gone by itself (a hang-up, a look again) left its
        // device unlisted with no refresh of the list.
        DropAbsent();
        if (changed)
            changed();
    });
}
