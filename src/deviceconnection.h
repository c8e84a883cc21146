#pragma once

#include <wx/event.h>
#include <wx/string.h>

#include <deque>
#include <memory>
#include <optional>

#include "DeviceInterface.h"
#include "Serial.h"
#include "SerialLineQueue.h"

class SerialReadThread;

// The log component of the device's own text (console lines, its version report), so that a log
// target can tell it from the program's messages.
inline constexpr char kDeviceTextLogComponent[] = "zephlark/device";

// The one owner of the link to the device: notices the device's serial port and data disk come and
// go, opens and closes the port, runs the reader thread, sends the host's commands, keeps the
// device's version record and tells its owner when the connection changes. GUI thread only.
class DeviceConnection : public wxEvtHandler
{
public:
    enum InputState
    {
        Normal = 0,
        Screenshot = 1,
        Stats = 2,
        MemStats = 3,
        Version = 4
    };
    enum ReadMode
    {
        Automatic = 0,
        Manual = 1
    };
    static constexpr int kSerialDataEventId = 2;
    static constexpr int kPortLostEventId = 3;
    static constexpr int kLookAgainEventId = 4;

    explicit DeviceConnection(DeviceInterface* owner);
    ~DeviceConnection() override;

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

    void EnterDataDisk();
    void StartFirmwareUpdate(const wxString& first, const wxString& second);
    void SendTime();

    void SetReadMode(int mode);
    wxString ReadSerialLine();
    // While held, the device text that automatic handling logs is also kept, and ReadSerialLine
    // hands it out first: a status line the device sends while nobody reads manually (during a
    // restart, before the device is identified again) still reaches the firmware update.
    void HoldDeviceText(bool hold);

    void StartReaderThread();
    void StopReaderThread();

    SerialReadThread* GetReaderThread() const { return readerThread.get(); }
    // What the reader feeds; tests and benchmarks feed and inspect it directly.
    SerialLineQueue& LineQueue() { return lineQueue; }

    // Line handling (DeviceMessages.cpp).
    wxString HandleSerialInput();
    bool ReadVersion(const wxString& line);

private:
    void OnSerialData(wxThreadEvent& event);
    void OnPortLost(wxThreadEvent& event);
    void OnLookAgain(wxThreadEvent& event);
    void Disconnect();
    void Connect();
    void ClearVersionRecord();
    // The end of a connection's input, with the reader parked: what the device finished saying is
    // handled as usual, its unfinished last line goes, and the classifier starts afresh, so that
    // nothing of one connection (a half line, a "~stats:" state) spills into the next.
    void EndConnectionInput();
    void ClassifyNormalLine(const wxString& line);
    void AbsorbTraceLine(const wxString& line);
    void HoldForUpdate(const wxString& line);
    bool VersionRecordComplete() const;

    wxString portName;
    SerialOpenFailure openFailure = SerialOpenFailure::None;
    wxString diskPath;
    SerialLineQueue lineQueue{this, kSerialDataEventId};
    std::unique_ptr<SerialReadThread> readerThread;
    DeviceInterface* deviceInterface;
    std::optional<wxString> traceBudget;
    int inputState = Normal;
    int readMode = Automatic;
    wxString target;
    wxString sdk;
    wxString bootBuild;
    wxString build;
    wxString serialNumber;
    bool holdingDeviceText = false;
    std::deque<wxString> heldDeviceText; // oldest first, bounded
};
