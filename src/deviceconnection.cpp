#include "deviceconnection.h"

#include <wx/log.h>

#include <chrono>

#include "DataDisk.h"
#include "MonotonicClock.h"
#include "Serial.h"
#include "SetTimeCommand.h"
#include "readthread.h"

namespace {

// Gives a new or resumed reader time to start reading before the first commands go out.
constexpr auto kReaderStartGrace = std::chrono::milliseconds{100};

const wxString kDataDiskLabel = "ZEPHLARK";

void SendLine(const wxString& line)
{
    ZephlarkSerialSendLine(line.utf8_str());
}

} // namespace

wxBEGIN_EVENT_TABLE(DeviceConnection, wxEvtHandler)
    EVT_THREAD(DeviceConnection::kSerialDataEventId, DeviceConnection::OnSerialData)
        wxEND_EVENT_TABLE()

            DeviceConnection::DeviceConnection(DeviceInterface* owner)
    : deviceInterface(owner)
{}

DeviceConnection::~DeviceConnection()
{
    if (ZephlarkSerialIsOpen()) {
        StopReaderThread();
        ZephlarkSerialClose();
        if (deviceInterface)
            deviceInterface->DeviceConnectionChanged(false);
    }
    // A reader that never got a port (or lost it) is still running, parked or retrying.
    StopReaderThread();
}

void DeviceConnection::RefreshDeviceConnections()
{
    const wxString newPort = FindZephlarkSerialPort();
    if (newPort != portName) {
        if (!portName.empty())
            Disconnect();
        portName = newPort;
        serialNumber.clear();
        build.clear();
        bootBuild.clear();
        sdk.clear();
    }
    if (!portName.empty() && !ZephlarkSerialIsOpen() && ZephlarkSerialOpen(portName))
        Connect();

    const wxString newDisk = FindZephlarkDiskPath();
    if (newDisk != diskPath) {
        diskPath = newDisk;
        if (!diskPath.empty())
            wxLogMessage("Found Device Disk [%s]: %s", GetZephlarkDiskLabel(), diskPath);
    }
}

void DeviceConnection::Disconnect()
{
    wxLogMessage("Device Disconnected: %s", portName);
    if (deviceInterface)
        deviceInterface->DeviceConnectionChanged(false);
    // The reader must be out of its read before the port goes. The port is closed even without a
    // reader: a port left open would keep the next device from ever being opened.
    if (readerThread)
        readerThread->Park();
    ZephlarkSerialClose();
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
        auto thread = std::make_unique<SerialReadThread>(this, kSerialDataEventId);
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
    TheClock().SleepFor(kReaderStartGrace);
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

void DeviceConnection::EjectDataDisk()
{
    RefreshDeviceConnections();
    if (!diskPath.empty() && ZephlarkEjectDisk(diskPath))
        RefreshDeviceConnections();
}

bool DeviceConnection::HasDataDisk()
{
    RefreshDeviceConnections();
    return GetZephlarkDiskLabel() == kDataDiskLabel;
}

bool DeviceConnection::IsDeviceIdentified()
{
    RefreshDeviceConnections();
    return !portName.empty() && !serialNumber.empty();
}

void DeviceConnection::GetVersionInfo(wxString* bootBuildOut, wxString* buildOut,
                                      wxString* sdkOut) const
{
    if (!ZephlarkSerialIsOpen())
        return;
    if (bootBuildOut)
        *bootBuildOut = bootBuild;
    if (buildOut)
        *buildOut = build;
    if (sdkOut)
        *sdkOut = sdk;
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
    ZephlarkSerialSendLine(FormatSetTimeCommand(wxDateTime::UNow()).mb_str());
}

void DeviceConnection::SetReadMode(int mode)
{
    readMode = mode;
    if (readMode != Automatic)
        return;
    HandleSerialInput();
    if (readerThread)
        readerThread->ReadyForMore();
}

wxString DeviceConnection::ReadSerialLine()
{
    if (readMode == Automatic) {
        wxLogMessage("Attempted to manually read serial connection in automatic mode.");
        return wxString();
    }
    const wxString line = HandleSerialInput();
    if (readerThread)
        readerThread->ReadyForMore();
    return line;
}

void DeviceConnection::OnSerialData(wxThreadEvent&)
{
    if (!readerThread || readMode != Automatic)
        return;
    HandleSerialInput();
    readerThread->ReadyForMore();
}
