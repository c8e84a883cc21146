#include "FirmwareUpdate.h"

#include <wx/filename.h>
#include <wx/log.h>

#include "DataDiskFiles.h"
#include "FirmwareFile.h"
#include "FirmwareUpdateProgress.h"
#include "SystemVersion.h"
#include "UpdateFileName.h"
#include "deviceconnection.h"

namespace {

constexpr auto kBackAfterEject = std::chrono::seconds{30};
constexpr auto kRestartLimit = std::chrono::seconds{30};
constexpr auto kBackAfterInstall = std::chrono::seconds{180};
constexpr auto kBackAfterFlash = std::chrono::seconds{120};
constexpr auto kPauseBeforeCleanUp = std::chrono::seconds{2};

wxString UpdateError(const wxString& reason)
{
    return _("Update Error") + "\n\n" + reason;
}

wxString FullName(const wxString& path)
{
    return wxFileName(path).GetFullName();
}

wxString UnusableName(const wxString& path)
{
    return wxString::Format(_("The file name '%s' cannot be used on the Zephlark."),
                            FullName(path));
}

// Keeps the device's text for the install's waits while they are not reading it themselves.
class DeviceTextHold
{
public:
    explicit DeviceTextHold(DeviceConnection& connection) : connection(connection)
    {
        connection.HoldDeviceText(true);
    }
    ~DeviceTextHold() { connection.HoldDeviceText(false); }
    DeviceTextHold(const DeviceTextHold&) = delete;
    DeviceTextHold& operator=(const DeviceTextHold&) = delete;

private:
    DeviceConnection& connection;
};

} // namespace

FirmwareUpdate::FirmwareUpdate(DeviceConnection& connection, FirmwareUpdateProgress& progress)
    : connection(connection), progress(progress)
{}

wxString FirmwareUpdate::Run(const wxString& osPathIn, const wxString& keyPathIn,
                             bool allowOlderIn)
{
    osPath = osPathIn;
    keyPath = keyPathIn;
    allowOlder = allowOlderIn;
    wxString failure = CheckUpdateFiles();
    if (failure.empty())
        failure = PutUpdateFilesOnDisk();
    if (failure.empty())
        failure = InstallUpdate();
    if (failure.empty())
        failure = RemoveUpdateFiles();
    const wxString result = failure.empty() ? ResultText() : UpdateError(failure);
    wxLogMessage("%s", result);
    return result;
}

wxString FirmwareUpdate::ResultText()
{
    wxString deviceVersion;
    connection.GetVersionInfo(nullptr, nullptr, &deviceVersion);
    // Compared as text: the device must report exactly what the file carries.
    const bool matches = flashed && deviceVersion == fileVersion;
    return wxString::Format(matches ? _("Update Successful\n\nDevice firmware version is: %s.")
                                    : _("Update Failed\n\nDevice firmware version is: %s."),
                            deviceVersion);
}

wxString FirmwareUpdate::CheckUpdateFiles()
{
    Pulse(_("Comparing firmware versions..."));
    wxString deviceVersion;
    connection.GetVersionInfo(nullptr, nullptr, &deviceVersion);
    if (deviceVersion.empty())
        return _("Device version could not be determined.");

    switch (ReadFirmwareVersion(osPath, fileVersion)) {
    case FirmwareFileStatus::CannotOpen:
        return wxString::Format(_("Couldn't open the file '%s'."), osPath);
    case FirmwareFileStatus::Invalid:
        return _("Invalid firmware file.");
    case FirmwareFileStatus::Ok:
        break;
    }
    if (SystemVersion(deviceVersion).Compare(SystemVersion(fileVersion)) > 0 && !allowOlder)
        return _("Firmware file is too old.");

    // The names travel in a command line and onto a FAT disk: refuse before anything is sent.
    osName = CleanUpdateFileName(FullName(osPath));
    if (osName.empty())
        return UnusableName(osPath);
    if (!keyPath.empty()) {
        keyName = CleanUpdateFileName(FullName(keyPath));
        // FAT ignores letter case: "A.zlos" and "a.zlos" would be one file.
        if (keyName.empty() || keyName.IsSameAs(osName, false))
            return UnusableName(keyPath);
    }
    serialNumber = connection.GetSerialNumber();
    return wxString();
}

wxString FirmwareUpdate::PutUpdateFilesOnDisk()
{
    Pulse(_("Restarting Zephlark..."));
    KeepResponsive();
    if (!UnmountDataDisk())
        return _("Zephlark could not be unmounted.");
    if (!WaitForDataDisk())
        return _("Zephlark disk not found.");

    Pulse(_("Copying files to Zephlark..."));
    KeepResponsive();
    if (!CopyToDataDisk(osPath, connection.MountDataDisk(), osName))
        return _("Copy file failed.");
    if (!keyPath.empty() && !CopyToDataDisk(keyPath, connection.MountDataDisk(), keyName))
        return _("Copy file failed.");

    return EjectAndWaitForDevice();
}

wxString FirmwareUpdate::EjectAndWaitForDevice()
{
    if (!UnmountDataDisk())
        return _("Zephlark could not be unmounted.");
    return DeviceBack(kBackAfterEject);
}

wxString FirmwareUpdate::DeviceBack(std::chrono::seconds limit)
{
    if (WaitForDevice(limit))
        return wxString();
    if (!otherSerialNumber.empty())
        return wxString::Format(_("A different Zephlark came back (serial number %s). The update "
                                  "stopped without touching it; connect the Zephlark %s again "
                                  "to finish the update."),
                                otherSerialNumber, serialNumber);
    return _("Zephlark could not be found.");
}

wxString FirmwareUpdate::InstallUpdate()
{
    // A failed install or flash is no exit: the copies are still removed and the version the
    // device then reports is told. The device's status lines may come while the update waits
    // for it in automatic reading (a quick flash reports before the device is identified again):
    // the hold keeps them for the wait that looks for them.
    const DeviceTextHold hold(connection);
    if (!WaitForFirmwareUpdate(osName, keyName))
        return wxString();
    if (!WaitForDeviceRestart(kRestartLimit))
        return _("Zephlark is still connected.");
    if (const wxString failure = DeviceBack(kBackAfterInstall); !failure.empty())
        return failure;
    flashed = WaitForFirmwareUpdateSuccess();
    if (flashed && !WaitForDeviceRestart(kRestartLimit))
        return _("Zephlark is still connected.");
    return DeviceBack(kBackAfterFlash);
}

wxString FirmwareUpdate::RemoveUpdateFiles()
{
    Pulse(_("Cleaning Up..."));
    KeepResponsive();
    PauseFor(kPauseBeforeCleanUp);
    if (!WaitForDataDisk())
        return _("Zephlark disk not found.");
    if (!RemoveFromDataDisk(connection.MountDataDisk(), osName))
        return _("Remove file failed.");
    if (!keyPath.empty() && !RemoveFromDataDisk(connection.MountDataDisk(), keyName))
        return _("Remove file failed.");
    return EjectAndWaitForDevice();
}

void FirmwareUpdate::Pulse(const wxString& message)
{
    progress.Pulse(message);
    // Each new message once, so that a copied log shows how far an update got.
    if (message == lastMessage)
        return;
    lastMessage = message;
    wxLogMessage("%s", message);
}
