#pragma once

#include <wx/event.h>
#include <wx/string.h>

#include <memory>
#include <optional>

#include "DeviceInterface.h"

class SerialReadThread;

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

    explicit DeviceConnection(DeviceInterface* owner);
    ~DeviceConnection() override;

    void RefreshDeviceConnections();

    wxString GetDiskPath();
    void EjectDataDisk();
    bool HasDataDisk();
    bool IsDeviceIdentified();
    void GetVersionInfo(wxString* bootBuild, wxString* build, wxString* sdk) const;

    void EnterDataDisk();
    void StartFirmwareUpdate(const wxString& first, const wxString& second);
    void SendTime();

    void SetReadMode(int mode);
    wxString ReadSerialLine();

    void StartReaderThread();
    void StopReaderThread();

    SerialReadThread* GetReaderThread() const { return readerThread.get(); }

    // Line handling (DeviceMessages.cpp).
    wxString HandleSerialInput();
    bool ReadVersion(const wxString& line);

private:
    void OnSerialData(wxThreadEvent& event);
    void Disconnect();
    void Connect();
    void ClassifyNormalLine(const wxString& line);
    void AbsorbTraceLine(const wxString& line);
    bool VersionRecordComplete() const;

    wxString portName;
    wxString diskPath;
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

    wxDECLARE_EVENT_TABLE();
};
