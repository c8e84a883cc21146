#pragma once

#include <wx/frame.h>

#include <functional>
#include <memory>
#include <optional>

#include "DeviceInterface.h"
#include "UsbIdentity.h"
#include "update/FirmwareUpdateProgress.h"

class DeviceAccessBar;
class DeviceChangeWatch;
class DeviceChooser;
class DeviceList;
class FirmwareUpdate;
struct UpdateResult;
class wxButton;
class DeviceConnection;
class LogAccumulator;
class wxBoxSizer;
class wxLogChain;
class wxStaticText;
namespace ZWX {
class ZLBox;
}

constexpr int kCopyLogMessagesId = 6001;
constexpr int kSaveLogAsId = 6002;
constexpr int kOpenLogFolderId = 6003;
constexpr int kCheckDeviceAccessId = 6004;

// The one window: two command buttons, the connection lamp and the device line beside it, the info
// bar for a port that cannot be opened, the menus and the log capture; with several devices, the
// choice of the one they act on. Owns the list of devices and turns the system's device notices
// into refreshes of it.
class MainFrame : public wxFrame, public DeviceInterface
{
public:
    explicit MainFrame(const wxString& title);
    ~MainFrame() override;

    void DeviceConnectionChanged(bool connected) override;
    void DeviceIdentified() override;

#ifdef __WXMSW__
    WXLRESULT MSWWindowProc(WXUINT message, WXWPARAM wParam, WXLPARAM lParam) override;
#endif

    // Reachable by the firmware update and the status view, which use them directly.
    ZWX::ZLBox* statusView = nullptr;
    // The connection of the device the window shows: the one an update runs on, else the chosen
    // one; null until a device was listed, and once the window closed.
    DeviceConnection* deviceConnection = nullptr;
    wxStaticText* deviceLine = nullptr;
    DeviceAccessBar* accessBar = nullptr;
    DeviceChooser* deviceChooser = nullptr;

    // Menus and commands (MainFrameMenus.cpp).
    void CreateMenuBar();
    bool CheckDeviceConnected();
    // True, and the user told so, while an update or a recovery runs: no other command may reach
    // the device meanwhile.
    [[nodiscard]] bool RefusedWhileUpdating();
    void OnCopyLogMessages(wxCommandEvent& event);
    void OnSaveLogAs(wxCommandEvent& event);
    // Writes the text Copy Log Messages gives to path, as UTF-8; a failure is shown in a box.
    bool SaveLog(const wxString& path);
    void OnOpenLogFolder(wxCommandEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnResetDevice(wxCommandEvent& event);
    void OnCheckDeviceAccess(wxCommandEvent& event);
    void OnUpgradeFirmware(wxCommandEvent& event);

    // The firmware update (MainFrameFirmware.cpp): the dialogs around a FirmwareUpdate run.
    UpdateResult UpdateFirmware(const wxString& osPath, const wxString& keyPath, bool allowOlder);
    // The result box of an update or a recovery; closes the window after it when a close waited.
    void ShowUpdateResult(const UpdateResult& result);
    // When the journal names the device now connected: offers to finish that earlier update.
    void OfferToFinishUpdate();

private:
    void OnClose(wxCloseEvent& event);
    void OnQuit(wxCommandEvent& event);
    void CreateLayout();
    // The device line, the accessible texts and the info bar (MainFrameDeviceStatus.cpp).
    void RefreshDevice();
    // The chooser shows the devices listed now; the chosen one is kept and shown.
    void FollowChosenDevice();
    // The lamp, the line and the buttons follow the device an update runs on, else the chosen one.
    void ShowChosenDevice();
    void ShowDeviceStatus();
    wxButton* AddCommandButton(const wxString& label, void (MainFrame::*handler)(wxCommandEvent&));
    void WatchForDevices();
    // Runs an update or a recovery of the device with this serial number (empty: unknown) in the
    // progress window, the main window disabled and its device line following the phases.
    UpdateResult RunUpdate(const wxString& serialNumber,
                           const std::function<UpdateResult(FirmwareUpdate&)>& run);
    wxString LogText() const;

    bool updateRunning = false;
    std::optional<UpdatePhase> updatePhase; // of the running update, once it entered one
    wxString updatingSerialNumber;          // of the device it updates; empty when unknown
    UsbIdentity updatingDevice;             // the device an update runs on, kept while it runs
    UsbIdentity keptChoice;                 // the chosen device, kept in the list
    bool closeRequested = false;   // a close arrived while the update ran: done once it ends
    bool recoveryDeclined = false; // the user would not finish an interrupted update: ask no more
    bool recoveryOffered = false;  // the question to finish one is on screen

    wxBoxSizer* topSizer = nullptr;
    LogAccumulator* logAccumulator = nullptr; // owned by logChain
    wxLogChain* logChain = nullptr;
    std::unique_ptr<DeviceChangeWatch> deviceChangeWatch;
    std::unique_ptr<DeviceList> devices; // gone once the window closed
};
