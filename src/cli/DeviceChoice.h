#pragma once

// Which Zephlark a command acts on when several may be plugged in: the one named by its port or
// its serial number, else the only one. Decided from discovery's listing, so that naming a device
// never opens another's port.

#include <wx/string.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "MonotonicClock.h"
#include "Serial.h"
#include "UsbIdentity.h"

class DeviceConnection;
struct CliOptions;

// What the user named: a port, a serial number, or neither (both empty).
struct DeviceName
{
    wxString port;
    wxString serial;

    bool Empty() const { return port.empty() && serial.empty(); }
};

// --port or --serial as given, else the serial number in ZEPHLARK_SERIAL.
[[nodiscard]] DeviceName NamedDevice(const CliOptions& options);

// Every Zephlark that discovery lists, in its order: each port, then each data disk whose device
// has no port listed (its name empty), as during an update.
[[nodiscard]] std::vector<ListedPort> ListedDevices();

enum class DeviceChoiceKind
{
    First,    // nothing named and at most one device: the first found, as with one device only
    Device,   // the named device: the connection is pinned to its identity
    Ask,      // its USB serial is unknown: its "version" answer tells whether it is the named one
    NotThere, // the named device is not listed (yet)
    Several,  // several plugged in and none named: nothing is touched
};

struct DeviceChoice
{
    DeviceChoiceKind kind;
    ListedPort device; // Device and Ask: its port (empty for a data disk only) and identity
};

// The serial numbers that devices without a USB serial reported, by USB location; empty for one
// that was asked and did not answer.
using SerialAnswers = std::map<wxString, wxString>;

// A device with a USB serial is known by it, so only a device without one is ever asked.
[[nodiscard]] DeviceChoice ChooseDevice(const DeviceName& name,
                                        const std::vector<ListedPort>& devices,
                                        const SerialAnswers& answers);

// Chooses the command's device as the listing changes: pins the connection to the named device
// once it is listed, asking the devices without a USB serial one at a time through a connection
// of their own (closed before the next is asked or the command's opens); nothing named, it leaves
// the connection unpinned. GUI thread only.
class ConnectionChooser
{
public:
    ConnectionChooser(DeviceConnection& connection, DeviceName name);
    ~ConnectionChooser();

    // One look at the listing: the devices plugged in when there are several and none is named.
    [[nodiscard]] std::optional<std::vector<ListedPort>> Look();
    // The connection may be refreshed: it is pinned to the named device, or nothing is named (an
    // unpinned connection would open the first port, maybe another's).
    bool Chosen() const { return chosen; }
    // The last look began to ask a device, which is given its time to answer.
    bool StartedAsking() const { return startedAsking; }

private:
    void Ask(const UsbIdentity& device);

    DeviceConnection& connection;
    const DeviceName name;
    bool chosen = false;
    bool startedAsking = false;
    std::unique_ptr<DeviceConnection> probe; // open on the device being asked
    UsbIdentity asked;
    MonotonicClock::TimePoint askedAt;
    SerialAnswers answers;
};
