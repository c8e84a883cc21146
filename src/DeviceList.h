#pragma once

// Every Zephlark plugged in, each with a DeviceConnection of its own pinned to its USB identity, so
// that the window's chooser and the command line can name one device among several. GUI thread
// only.

#include <wx/event.h>
#include <wx/string.h>

#include <functional>
#include <memory>
#include <vector>

#include "UsbIdentity.h"

class DeviceConnection;
class DeviceInterface;

enum class DeviceMode
{
    Serial,   // its port is open
    DataDisk, // only its data disk is listed
    Busy,     // its port is listed but cannot be opened
    Away,     // kept while neither its port nor its disk is listed
};

struct DeviceListEntry
{
    UsbIdentity identity;
    wxString portName; // empty while only its data disk is listed
    // The device's own (its "version" answer), else the USB serial; may be empty.
    wxString serialNumber;
    wxString version; // the version record's sdk field, once reported
    DeviceMode mode;
};

// The same entry of the list: the same device, or two that both tell neither a serial string nor a
// place. A platform that cannot tell where a device sits (wine knows no USB parents) still gets
// its one device as one entry, its connection unpinned, taking the first found as it always did.
[[nodiscard]] bool SameEntry(const UsbIdentity& a, const UsbIdentity& b);

class DeviceList
{
public:
    // changed runs on the GUI thread whenever a device comes, goes, or tells who it is; always from
    // the event loop, once for a burst of changes, so that every entry is settled when it runs.
    explicit DeviceList(std::function<void()> changed = {});
    ~DeviceList();

    void Refresh();                               // on every device-change notice
    std::vector<DeviceListEntry> Entries() const; // in discovery order
    // Every entry with an open port has its serial number.
    [[nodiscard]] bool AllIdentified() const;
    // Null when not listed. The connection lives while its device is listed or kept: keep the
    // device whose connection you hold across the event loop.
    DeviceConnection* ConnectionFor(const UsbIdentity& identity);
    // Kept while away: the chosen device, a device being updated, whose port and disk both vanish
    // while it restarts. One no longer kept goes with the next change notice if it is not listed.
    void Keep(const UsbIdentity& identity, bool keep);
    // One device's connection also tells follower of its changes (DeviceInterface); null: none.
    void Follow(const UsbIdentity& identity, DeviceInterface* follower);

private:
    class Device;

    Device* Find(const UsbIdentity& identity) const;
    // Adds a device for an identity listed now; true when it was not in the list.
    bool Track(const UsbIdentity& identity);
    // Drops the devices neither listed nor kept; true when one went.
    bool DropAbsent();
    void NoteChange();

    std::function<void()> changed;
    wxEvtHandler notices; // outlives the devices, whose ends still note a change
    bool noticePending = false;
    std::vector<std::unique_ptr<Device>> devices;
};
