#pragma once

#include <wx/event.h>
#include <wx/string.h>

#include <memory>
#include <vector>

#include "DeviceInterface.h"
#include "DeviceLineClassifier.h"
#include "Serial.h"
#include "SerialLineQueue.h"
#include "UsbIdentity.h"

class SerialReadThread;

// The link to one device: notices the device's serial port and data disk come and
// go, opens and closes the port, runs the reader thread, sends the host's commands and tells its
// owner when the connection changes; its classifier reads the device's lines. GUI thread only.
class DeviceConnection : public wxEvtHandler
{
public:
    using ReadMode = DeviceLineClassifier::ReadMode;
    static constexpr ReadMode Automatic = DeviceLineClassifier::Automatic;
    static constexpr ReadMode Manual = DeviceLineClassifier::Manual;
    static constexpr int kSerialDataEventId = 2;
    static constexpr int kPortLostEventId = 3;
    static constexpr int kLookAgainEventId = 4;

    explicit DeviceConnection(DeviceInterface* owner);
    ~DeviceConnection() override;

    // Pins the connection to one device: from then on it opens only that device's port, whatever
    // name the system gives it, and uses only that device's data disk. An empty identity unpins:
    // the first device found is taken again, as by default.
    void PinDevice(const UsbIdentity& identity);
    const UsbIdentity& GetPinnedDevice() const { return pinned; }
    // The USB identity of the device whose port was listed at the last refresh; empty when none.
    const UsbIdentity& GetListedIdentity() const { return listedIdentity; }
    // The same for the data disk found at the last refresh.
    const UsbIdentity& GetListedDiskIdentity() const { return listedDiskIdentity; }
    // While pinned: the last device of another identity that was listed while the pinned one was
    // away, and not beside it before; most likely the one plugged in its place. Empty when none,
    // and again once the pinned device is back.
    const UsbIdentity& GetNewcomer() const { return newcomer; }

    void RefreshDeviceConnections();
    // A system notice that a device came or went: refreshes, and when the port stays open and
    // listed, looks at the listing again for a while, since the port may be on its way out.
    void DeviceChangeNoticed();

    wxString GetDiskPath();
    // The data disk's root, mounted if it was not (only the firmware update mounts it, once it
    // has asked the device for its disk); empty when there is none or it cannot be mounted.
    wxString MountDataDisk();
    // The version record's serial number while the port is open, else empty.
    wxString GetSerialNumber() const;
    // The open port's name and the device's target while the port is open, else empty.
    wxString GetPortName() const;
    wxString GetTarget() const;
    // The port that discovery lists, open or not; empty when no device is present.
    wxString GetListedPortName() const { return portName; }
    // The data disk found at the last refresh, mounted or not; empty when there was none.
    wxString GetListedDiskPath() const { return diskPath; }
    // Why the listed port could not be opened at the last refresh; None while it is open.
    SerialOpenFailure GetOpenFailure() const;
    void EjectDataDisk();
    bool HasDataDisk();
    bool IsDeviceIdentified();
    void GetVersionInfo(wxString* bootBuild, wxString* build, wxString* sdk) const;

    bool IsPortOpen() const { return ZephlarkSerialIsOpen(port); }
    // Sends one command line: ZephlarkSerialSendLine's result.
    int64_t SendLine(const wxString& line);
    void EnterDataDisk();
    void StartFirmwareUpdate(const wxString& first, const wxString& second);
    void SendTime();

    void SetReadMode(ReadMode mode) { classifier.SetReadMode(mode); }
    wxString ReadSerialLine() { return classifier.ReadSerialLine(); }
    void HoldDeviceText(bool hold) { classifier.HoldDeviceText(hold); }

    void StartReaderThread();
    void StopReaderThread();

    SerialReadThread* GetReaderThread() const { return readerThread.get(); }
    // What the reader feeds; tests and benchmarks feed and inspect it directly.
    SerialLineQueue& LineQueue() { return lineQueue; }

private:
    void OnSerialData(wxThreadEvent& event);
    void OnPortLost(wxThreadEvent& event);
    void OnLookAgain(wxThreadEvent& event);
    void Disconnect();
    void Connect();
    // This connection's device's port among those listed: the pinned device's, else the first.
    ListedPort ChoosePort(const std::vector<ListedPort>& ports) const;
    const ListedDisk* ChooseDisk(const std::vector<ListedDisk>& disks) const;
    void NoteOtherDevices(const std::vector<ListedPort>& ports,
                          const std::vector<ListedDisk>& disks);

    wxString portName;
    SerialPort port; // outlives the reader that reads it
    SerialOpenFailure openFailure = SerialOpenFailure::None;
    wxString diskPath;
    wxString diskLabel;
    UsbIdentity pinned;
    UsbIdentity listedIdentity;
    UsbIdentity listedDiskIdentity;
    bool pinnedSeen = false;             // listed since it was pinned
    std::vector<UsbIdentity> companions; // the others listed while it was last there
    UsbIdentity newcomer;
    SerialLineQueue lineQueue{this, kSerialDataEventId};
    std::unique_ptr<SerialReadThread> readerThread;
    DeviceInterface* deviceInterface;
    DeviceLineClassifier classifier{lineQueue, deviceInterface};
};
