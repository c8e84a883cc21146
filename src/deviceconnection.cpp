#include "deviceconnection.h"

#include <wx/log.h>

#include <algorithm>
#include <chrono>

#include "DataDisk.h"
#include "Serial.h"
#include "SetTimeCommand.h"
#include "readthread.h"

namespace {

// The longest a new or resumed reader is given to start reading before the first commands go out.
constexpr auto kReaderStartGrace = std::chrono::milliseconds{100};
// After a notice that left the port open and listed: how often, and how long, the listing is
// looked at again, so that a removal is seen within half a second of the system's catching up.
constexpr auto kLookAgainInterval = std::chrono::milliseconds{100};
constexpr auto kLookAgainSpan = std::chrono::seconds{1};

const wxString kDataDiskLabel = "ZEPHLARK";

bool IsKnown(const UsbIdentity& identity)
{
    return !identity.serialNumber.empty() || !identity.location.empty();
}

} // namespace

DeviceConnection::DeviceConnection(DeviceInterface* owner) : deviceInterface(owner)
{
    Bind(wxEVT_THREAD, &DeviceConnection::OnSerialData, this, kSerialDataEventId);
    Bind(wxEVT_THREAD, &DeviceConnection::OnPortLost, this, kPortLostEventId);
    Bind(wxEVT_THREAD, &DeviceConnection::OnLookAgain, this, kLookAgainEventId);
}

DeviceConnection::~DeviceConnection()
{
    if (ZephlarkSerialIsOpen(port)) {
        StopReaderThread();
        ZephlarkSerialClose(port);
        if (deviceInterface)
            deviceInterface->DeviceConnectionChanged(false);
    }
    // A reader that never got a port (or lost it) is still running, parked or retrying.
    StopReaderThread();
}

ListedPort DeviceConnection::ChoosePort(const std::vector<ListedPort>& ports) const
{
    if (!IsKnown(pinned))
        return ports.empty() ? ListedPort{} : ports.front();
    for (const ListedPort& port : ports) {
        if (SameDevice(port.identity, pinned))
            return port;
    }
    return {};
}

// Another device's disk is never this one's, even when it carries the label and is listed first.
const ListedDisk* DeviceConnection::ChooseDisk(const std::vector<ListedDisk>& disks) const
{
    if (!IsKnown(pinned))
        return disks.empty() ? nullptr : &disks.front();
    return DiskOfDevice(disks, pinned);
}

void DeviceConnection::PinDevice(const UsbIdentity& identity)
{
    pinned = identity;
    pinnedSeen = false;
    companions.clear();
    newcomer = {};
}

// Only a device that came while the pinned one was away counts as its stand-in: one plugged in
// beside it all along (another device on the bench) is nobody's newcomer.
void DeviceConnection::NoteOtherDevices(const std::vector<ListedPort>& ports,
                                        const std::vector<ListedDisk>& disks)
{
    if (!IsKnown(pinned))
        return;
    std::vector<UsbIdentity> others;
    bool pinnedThere = false;
    const auto take = [&](const UsbIdentity& identity) {
        if (SameDevice(identity, pinned))
            pinnedThere = true;
        else
            others.push_back(identity);
    };
    for (const ListedPort& port : ports)
        take(port.identity);
    for (const ListedDisk& disk : disks)
        take(disk.identity);
    if (pinnedThere || !pinnedSeen) {
        pinnedSeen = pinnedSeen || pinnedThere;
        companions = others;
        newcomer = {};
        return;
    }
    for (const UsbIdentity& other : others) {
        if (std::none_of(companions.begin(), companions.end(),
                         [&](const UsbIdentity& known) { return SameDevice(known, other); }))
            newcomer = other;
    }
}

void DeviceConnection::RefreshDeviceConnections()
{
    const auto ports = ListZephlarkSerialPorts();
    const ListedPort listed = ChoosePort(ports);
    listedIdentity = listed.identity;
    const wxString& newPort = listed.name;
    if (newPort != portName) {
        Disconnect();
        portName = newPort;
        classifier.ClearVersionRecord();
    }
    openFailure = SerialOpenFailure::None;
    if (!portName.empty() && !ZephlarkSerialIsOpen(port)) {
        if (ZephlarkSerialOpen(port, portName))
            Connect();
        else
            openFailure = ZephlarkSerialLastOpenFailure(port);
    }

    const auto disks = ListZephlarkDisks();
    NoteOtherDevices(ports, disks);
    const ListedDisk* disk = ChooseDisk(disks);
    const wxString newDisk = disk ? disk->path : wxString();
    diskLabel = disk ? disk->label : wxString();
    listedDiskIdentity = disk ? disk->identity : UsbIdentity{};
    if (newDisk != diskPath) {
        diskPath = newDisk;
        if (!diskPath.empty())
            wxLogMessage("Found Device Disk [%s]: %s", diskLabel, diskPath);
    }
}

// A removal notice may come while the system still lists the port (umockdev announces the removal
// before it takes the tty out of sysfs; SetupAPI may list a COM port just after
// DBT_DEVICEREMOVECOMPLETE), and a pseudo-terminal gives the reader no hang-up: then nothing else
// would tell that the device left. Only a notice starts the looks, and they end after a second.
void DeviceConnection::DeviceChangeNoticed()
{
    const bool wasOpen = ZephlarkSerialIsOpen(port);
    RefreshDeviceConnections();
    if (wasOpen && ZephlarkSerialIsOpen(port) && readerThread)
        readerThread->RemindToLookAgain(kLookAgainInterval, kLookAgainSpan);
}

void DeviceConnection::OnLookAgain(wxThreadEvent&)
{
    // Only the port's listing: a full refresh would also ask for the data disk each time.
    if (ZephlarkSerialIsOpen(port) && ChoosePort(ListZephlarkSerialPorts()).name != portName)
        RefreshDeviceConnections();
}

// Only an open port makes a connection, so only its end is told: a port whose open failed, or
// one already dropped when the reader found it dead, was never (or is no longer) connected.
void DeviceConnection::Disconnect()
{
    if (!ZephlarkSerialIsOpen(port))
        return;
    wxLogMessage("Device Disconnected: %s", portName);
    if (deviceInterface)
        deviceInterface->DeviceConnectionChanged(false);
    // The reader must be out of its read before the port goes.
    if (readerThread)
        readerThread->Park();
    ZephlarkSerialClose(port);
    classifier.EndConnectionInput();
}

// The reader found the port dead. The system's removal notice may have been handled while the
// port was still listed (Linux keeps the tty in sysfs for a moment; SetupAPI may list a COM port
// just after the removal), and no further notice would come: drop the port now and look again,
// which also reopens a port that came back under the same name.
void DeviceConnection::OnPortLost(wxThreadEvent& event)
{
    if (!ZephlarkSerialIsOpen(port) || !readerThread || event.GetInt() != readerThread->Session())
        return;
    Disconnect();
    classifier.ClearVersionRecord();
    RefreshDeviceConnections();
}

void DeviceConnection::Connect()
{
    wxLogMessage("Device Connected: %s", portName);
    if (deviceInterface)
        deviceInterface->DeviceConnectionChanged(true);
    StartReaderThread();
    SendLine("echo off");
    SendLine("version");
    SendTime();
}

void DeviceConnection::StartReaderThread()
{
    if (!readerThread) {
        auto thread = std::make_unique<SerialReadThread>(port, lineQueue, this, kPortLostEventId,
                                                         kLookAgainEventId);
        if (thread->Run() != wxTHREAD_NO_ERROR) {
            wxLogMessage("readerThread->Create() failed");
            return;
        }
        readerThread = std::move(thread);
    } else if (readerThread->IsParked()) {
        readerThread->Unpark();
    } else {
        return;
    }
    readerThread->WaitUntilReading(kReaderStartGrace);
}

void DeviceConnection::StopReaderThread()
{
    if (!readerThread)
        return;
    if (!readerThread->Stop())
        wxLogMessage("Can't delete reader thread!\n");
    readerThread.reset();
}

wxString DeviceConnection::GetDiskPath()
{
    RefreshDeviceConnections();
    return diskPath;
}

wxString DeviceConnection::MountDataDisk()
{
    RefreshDeviceConnections();
    if (diskPath.empty())
        return wxString();
    const wxString root = ZephlarkMountDisk(diskPath);
    RefreshDeviceConnections();
    return root;
}

wxString DeviceConnection::GetSerialNumber() const
{
    return ZephlarkSerialIsOpen(port) ? classifier.Version().serialNumber : wxString();
}

wxString DeviceConnection::GetPortName() const
{
    return ZephlarkSerialIsOpen(port) ? portName : wxString();
}

wxString DeviceConnection::GetTarget() const
{
    return ZephlarkSerialIsOpen(port) ? classifier.Version().target : wxString();
}

SerialOpenFailure DeviceConnection::GetOpenFailure() const
{
    return ZephlarkSerialIsOpen(port) ? SerialOpenFailure::None : openFailure;
}

void DeviceConnection::EjectDataDisk()
{
    RefreshDeviceConnections();
    if (!diskPath.empty() && ZephlarkEjectDisk(diskPath))
        RefreshDeviceConnections();
}

bool DeviceConnection::HasDataDisk()
{
    RefreshDeviceConnections();
    return diskLabel == kDataDiskLabel;
}

bool DeviceConnection::IsDeviceIdentified()
{
    RefreshDeviceConnections();
    return !portName.empty() && !classifier.Version().serialNumber.empty();
}

void DeviceConnection::GetVersionInfo(wxString* bootBuildOut, wxString* buildOut,
                                      wxString* sdkOut) const
{
    if (!ZephlarkSerialIsOpen(port))
        return;
    const DeviceVersionRecord& version = classifier.Version();
    if (bootBuildOut)
        *bootBuildOut = version.bootBuild;
    if (buildOut)
        *buildOut = version.build;
    if (sdkOut)
        *sdkOut = version.sdk;
}

void DeviceConnection::EnterDataDisk()
{
    SendLine("datadisk");
}

void DeviceConnection::StartFirmwareUpdate(const wxString& first, const wxString& second)
{
    if (second.empty())
        SendLine(wxString::Format("fwup /%s", first));
    else
        SendLine(wxString::Format("fwup /%s /%s", first, second));
}

void DeviceConnection::SendTime()
{
    ZephlarkSerialSendLine(port, FormatSetTimeCommand(wxDateTime::UNow()).mb_str());
}

int64_t DeviceConnection::SendLine(const wxString& line)
{
    return ZephlarkSerialSendLine(port, line.utf8_str());
}

void DeviceConnection::OnSerialData(wxThreadEvent&)
{
    if (readerThread)
        classifier.PassAutomatically();
}
