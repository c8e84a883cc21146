// The main window's menus and the commands that do not belong to the firmware update.

#include "MainFrame.h"

#include <wx/aboutdlg.h>
#include <wx/clipbrd.h>
#include <wx/file.h>
#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include "window/AboutInfo.h"
#include "window/AccessibleText.h"
#include "window/DeviceChooser.h"
#include "window/LogAccumulator.h"
#include "DeviceList.h"
#include "RunLogFile.h"
#include "deviceconnection.h"

namespace {

bool CopyToClipboard(const wxString& text)
{
    wxClipboardLocker locker;
    if (!locker)
        return false;
    wxTheClipboard->Clear();
    const bool copied = wxTheClipboard->SetData(new wxTextDataObject(text));
    // The text stays on the clipboard after the program ends.
    wxTheClipboard->Flush();
    return copied;
}

// A confirmation the user sees without a box to dismiss, which a screen reader can read too.
void ShowStatus(wxFrame* frame, const wxString& text)
{
    frame->SetStatusText(text);
    SetAccessibleText(frame->GetStatusBar(), text, wxString());
}

} // namespace

void MainFrame::CreateMenuBar()
{
    auto* menuBar = new wxMenuBar;
    auto* helpMenu = new wxMenu;
    auto* fileMenu = new wxMenu;
    helpMenu->Append(kCopyLogMessagesId, _("Copy &Log Messages"));
    Bind(wxEVT_MENU, &MainFrame::OnCopyLogMessages, this, kCopyLogMessagesId);
    helpMenu->Append(kSaveLogAsId, _("Save Log &As..."));
    helpMenu->Append(kOpenLogFolderId, _("Open Log &Folder"));
    Bind(wxEVT_MENU, &MainFrame::OnSaveLogAs, this, kSaveLogAsId);
    Bind(wxEVT_MENU, &MainFrame::OnOpenLogFolder, this, kOpenLogFolderId);
    helpMenu->Append(kCheckDeviceAccessId, _("Check Device Access..."));
    Bind(wxEVT_MENU, &MainFrame::OnCheckDeviceAccess, this, kCheckDeviceAccessId);
    fileMenu->Append(wxID_EXIT, _("&Exit\tCtrl-Q"));
    Bind(wxEVT_MENU, &MainFrame::OnQuit, this, wxID_EXIT);
    helpMenu->Append(wxID_ABOUT, wxString::Format(_("About %s"), wxTheApp->GetAppDisplayName()));
    Bind(wxEVT_MENU, &MainFrame::OnAbout, this, wxID_ABOUT);
    menuBar->Append(fileMenu, _("&File"));
    SetMenuBar(menuBar);
    menuBar->Append(helpMenu, _("&Help"));
}

wxString MainFrame::LogText() const
{
    return logAccumulator->GetText();
}

void MainFrame::OnCopyLogMessages(wxCommandEvent&)
{
    if (CopyToClipboard(LogText())) {
        ShowStatus(this, _("Log messages copied to the clipboard."));
        return;
    }
    wxBell();
    ShowStatus(this, _("The log messages could not be copied: the clipboard is not available."));
}

void MainFrame::OnSaveLogAs(wxCommandEvent&)
{
    wxFileDialog dialog(this, _("Save Log As"), wxString(), "zephlark-utility-log.txt",
                        _("Text files (*.txt)|*.txt|") + wxGetTranslation(wxALL_FILES),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() == wxID_OK)
        SaveLog(dialog.GetPath());
}

bool MainFrame::SaveLog(const wxString& path)
{
    const std::string bytes = LogText().utf8_string();
    wxString reason;
    {
        wxLogNull quiet; // wxTempFile's messages lack the path or the reason: ours below has both
        // A failed write leaves a file that was there before as it was.
        wxTempFile file;
        if (file.Open(path) && file.Write(bytes.data(), bytes.size()) && file.Commit())
            return true;
        reason = wxSysErrorMsgStr();
    }
    wxLogMessage("Could not save the log to %s (%s).", path, reason);
    wxMessageBox(wxString::Format(_("The log could not be saved to %s (%s).\n\nNothing is lost: "
                                    "save it somewhere else, or use Copy Log Messages."),
                                  path, reason),
                 _("Save Log As"), wxOK | wxICON_ERROR, this);
    return false;
}

void MainFrame::OnOpenLogFolder(wxCommandEvent&)
{
    const wxString folder = RunLogFolder(); // made when missing
    if (!folder.empty() && wxLaunchDefaultApplication(folder))
        return;
    const wxString problem =
        folder.empty() ? _("The log folder could not be made: Copy Log Messages says why.")
                       : wxString::Format(_("No program could open the folder %s."), folder);
    wxMessageBox(problem, _("Open Log Folder"), wxOK | wxICON_ERROR, this);
}

void MainFrame::OnAbout(wxCommandEvent&)
{
    wxAboutBox(MakeAboutInfo(wxDateTime::Now().GetYear()), this);
}

bool MainFrame::CheckDeviceConnected()
{
    if (deviceConnection && deviceConnection->IsPortOpen())
        return true;
    wxMessageBox(_("Please plug-in and unlock your Zephlark and try again."),
                 _("Connect a Zephlark"), wxOK | wxICON_INFORMATION, this);
    return false;
}

bool MainFrame::RefusedWhileUpdating()
{
    // The window is disabled meanwhile; this holds whatever reaches a handler all the same (an
    // accelerator, a dialog of the toolkit that enabled the window again).
    if (!updateRunning)
        return false;
    wxLogMessage("Refused: a firmware update is running.");
    wxBell();
    return true;
}

void MainFrame::OnResetDevice(wxCommandEvent&)
{
    if (RefusedWhileUpdating() || !CheckDeviceConnected())
        return;
    wxMessageDialog confirm(
        this,
        _("This will perminately erase all games and data on the device, are you "
          "sure you want to continue?"),
        _("Reset Zephlark"), wxYES_NO | wxICON_EXCLAMATION);
    confirm.SetYesNoLabels(_("Reset"), _("Cancel"));
    // The device the user confirmed for, even if another was chosen while the box was open.
    const UsbIdentity device = deviceChooser->Chosen();
    if (confirm.ShowModal() != wxID_YES || !devices)
        return;
    if (DeviceConnection* connection = devices->ConnectionFor(device))
        connection->SendLine("factoryreset");
}
