#include "MainFrame.h"

#include <wx/button.h>
#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include "window/AboutInfo.h"
#include "window/ConnectionStatusView.h"
#include "window/DeviceAccessBar.h"
#include "window/DeviceChooser.h"
#include "DeviceChangeWatch.h"
#include "DeviceList.h"
#include "window/LogAccumulator.h"
#include "WindowIcons.h"
#include "ZLBox.h"
#include "deviceconnection.h"

#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>

#include <dbt.h>

#include "windows/DeviceChangeNotice.h"

static_assert(kDeviceChangeMessage == WM_DEVICECHANGE && kDeviceArrival == DBT_DEVICEARRIVAL &&
              kDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE);
#endif

namespace {

// Neither resizable nor maximisable: the window is exactly as large as its contents.
constexpr long kFrameStyle =
    wxCAPTION | wxCLIP_CHILDREN | wxCLOSE_BOX | wxSYSTEM_MENU | wxMINIMIZE_BOX;
constexpr int kStatusViewId = 0;

} // namespace

MainFrame::MainFrame(const wxString& title)
    : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, kFrameStyle)
{
    // From here on every message is also kept for Copy Log Messages, after the line that says what
    // runs where; the chain still passes it to the target that was active before.
    logAccumulator = new LogAccumulator(RunLogHeader());
    logChain = new wxLogChain(logAccumulator);
    devices = std::make_unique<DeviceList>([this] { FollowChosenDevice(); });
    SetBackgroundColour(wxNullColour);
    Bind(wxEVT_CLOSE_WINDOW, &MainFrame::OnClose, this);
    CreateMenuBar();
    CreateLayout();
    CenterOnScreen(wxBOTH);
    WatchForDevices();
    RefreshDevice();
    statusView->drawFunction = [this](ZWX::ZLBox* box, wxRect rect) {
        DrawConnectionStatus(this, box, rect, deviceConnection && deviceConnection->IsPortOpen());
    };
    SetIcons(LoadIconBundle("window_icon"));
    // A device left on its data disk by an interrupted update never reports itself on serial.
    CallAfter(&MainFrame::OfferToFinishUpdate);
}

MainFrame::~MainFrame()
{
    delete logChain;
}

void MainFrame::CreateLayout()
{
    topSizer = new wxBoxSizer(wxVERTICAL);
    accessBar = new DeviceAccessBar(this);
    topSizer->Add(accessBar, wxSizerFlags().Expand());
    topSizer->AddSpacer(2 * FromDIP(6));
    AddCommandButton(_("Upgrade Firmware..."), &MainFrame::OnUpgradeFirmware);
    topSizer->AddSpacer(FromDIP(6));
    AddCommandButton(_("Reset Zephlark..."), &MainFrame::OnResetDevice);

    // Above the lamp and hidden with one device: then the window is as it always was.
    deviceChooser = new DeviceChooser(this, [this] { FollowChosenDevice(); });
    topSizer->Add(deviceChooser,
                  wxSizerFlags().Align(wxALIGN_RIGHT).DoubleBorder(wxLEFT | wxRIGHT));

    statusView = new ZWX::ZLBox(this, kStatusViewId, wxDefaultPosition, FromDIP(wxSize(16, 16)));
    deviceLine = new wxStaticText(this, wxID_ANY, wxString());
    auto* statusRow = new wxBoxSizer(wxHORIZONTAL);
    // Off the window's edge, as the lamp is: in some languages the line is the widest thing there.
    statusRow->Add(deviceLine, wxSizerFlags().CentreVertical().DoubleBorder(wxLEFT));
    statusRow->Add(statusView, wxSizerFlags().Border(wxALL).DoubleBorder(wxALL));
    topSizer->Add(statusRow, wxSizerFlags().Align(wxALIGN_RIGHT));

    // Where commands confirm what they did (Copy Log Messages); no size grip on a fixed window.
    CreateStatusBar(1, wxSTB_SHOW_TIPS | wxSTB_ELLIPSIZE_END | wxFULL_REPAINT_ON_RESIZE);
    topSizer->SetMinSize(FromDIP(wxSize(400, 50)));
    SetSizerAndFit(topSizer);
}

wxButton* MainFrame::AddCommandButton(const wxString& label,
                                      void (MainFrame::*handler)(wxCommandEvent&))
{
    auto* button = new wxButton(this, wxID_ANY, label);
    button->Bind(wxEVT_BUTTON, handler, this);
    topSizer->Add(button, wxSizerFlags().Border(wxALL).HorzBorder().CentreHorizontal());
    return button;
}

void MainFrame::WatchForDevices()
{
    // On Windows the window procedure hook below receives the system's device notices instead.
#ifndef __WXMSW__
    deviceChangeWatch = WatchDeviceChanges([this] {
        if (devices)
            RefreshDevice();
    });
#endif
}

#ifdef __WXMSW__
WXLRESULT MainFrame::MSWWindowProc(WXUINT message, WXWPARAM wParam, WXLPARAM lParam)
{
    if (CausesDeviceRefresh(message, wParam) && devices)
        RefreshDevice();
    return wxFrame::MSWWindowProc(message, wParam, lParam);
}
#endif

void MainFrame::DeviceConnectionChanged(bool)
{
    if (statusView)
        statusView->Refresh(true);
    // Deferred: the connection tells of a loss before it closes the port, so the line read now
    // would still say connected.
    CallAfter(&MainFrame::ShowDeviceStatus);
}

void MainFrame::DeviceIdentified()
{
    // Not from inside the line handling that brought the report: a modal question there would
    // hold the classifier in the middle of its work.
    CallAfter(&MainFrame::ShowDeviceStatus);
    if (!updateRunning)
        CallAfter(&MainFrame::OfferToFinishUpdate);
}

void MainFrame::OnClose(wxCloseEvent& event)
{
    // Deleting the connection under a running firmware update would leave the device half
    // updated; the window closes once the update has ended.
    if (updateRunning) {
        closeRequested = true;
        wxLogMessage("Zephlark Utility will close when the firmware update has finished.");
        if (event.CanVeto())
            event.Veto();
        return;
    }
    deviceChangeWatch.reset();
    deviceConnection = nullptr;
    devices.reset();
    Destroy();
}

void MainFrame::OnQuit(wxCommandEvent&)
{
    Close(true);
}
