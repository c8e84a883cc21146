// The main window's menus and the commands that do not belong to the firmware update.

#include "MainFrame.h"

#include <wx/aboutdlg.h>
#include <wx/clipbrd.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>

#include "AboutInfo.h"
#include "LogAccumulator.h"
#include "Serial.h"

void MainFrame::CreateMenuBar()
{
    auto* menuBar = new wxMenuBar;
    auto* helpMenu = new wxMenu;
    auto* fileMenu = new wxMenu;
    helpMenu->Append(kCopyLogMessagesId, _("Copy &Log Messages"));
    helpMenu->Append(kCheckDeviceAccessId, _("Check Device Access..."));
    Bind(wxEVT_MENU, &MainFrame::OnCheckDeviceAccess, this, kCheckDeviceAccessId);
    fileMenu->Append(wxID_EXIT, _("&Exit\tCtrl-Q"));
    helpMenu->Append(wxID_ABOUT, wxString::Format(_("About %s"), wxTheApp->GetAppDisplayName()));
    menuBar->Append(fileMenu, _("&File"));
    SetMenuBar(menuBar);
    menuBar->Append(helpMenu, _("&Help"));
}

void MainFrame::OnCopyLogMessages(wxCommandEvent&)
{
    const wxString text = logAccumulator ? logAccumulator->GetText() : wxString();
    const bool opened = wxTheClipboard->Open();
    if (opened && !text.empty()) {
        wxTheClipboard->Clear();
        wxTheClipboard->SetData(new wxTextDataObject(text));
        wxTheClipboard->Flush();
        wxTheClipboard->Close();
        return;
    }
    wxBell();
    if (opened)
        wxTheClipboard->Close();
}

void MainFrame::OnAbout(wxCommandEvent&)
{
    wxAboutBox(MakeAboutInfo(wxDateTime::Now().GetYear()), this);
}

bool MainFrame::CheckDeviceConnected()
{
    if (ZephlarkSerialIsOpen())
        return true;
    wxMessageBox(_("Please plug-in and unlock your Zephlark and try again."),
                 _("Connect a Zephlark"), wxOK | wxICON_INFORMATION, this);
    return false;
}

void MainFrame::OnResetDevice(wxCommandEvent&)
{
    if (!CheckDeviceConnected())
        return;
    wxMessageDialog confirm(
        this,
        _("This will perminately erase all games and data on the device, are you "
          "sure you want to continue?"),
        _("Reset Zephlark"), wxYES_NO | wxICON_EXCLAMATION);
    confirm.SetYesNoLabels(_("Reset"), _("Cancel"));
    if (confirm.ShowModal() == wxID_YES)
        ZephlarkSerialSendLine("factoryreset");
}
