// The main window on the simulated device: start-up, hot-plug, closing, menus and commands, the
// device line and the info bar.

#include <gtk/gtk.h>

#include <wx/clipbrd.h>
#include <wx/ffile.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/testing.h>

#include <gtest/gtest.h>

#include <climits>

#include "window/AboutInfo.h"
#include "BuildVersion.h"
#include "window/DeviceAccessBar.h"
#include "window/DeviceChooser.h"
#include "ExpectMessageBox.h"
#include "LogCapture.h"
#include "MainFrame.h"
#include "ScreenPixels.h"
#include "Serial.h"
#include "WaitFor.h"
#include "ZLBox.h"
#include "deviceconnection.h"
#include "sim/SimPlatform.h"

namespace {

class MainFrameTest : public testing::Test
{
protected:
    MainFrameTest() { sim::Reset(); }
    ~MainFrameTest() override
    {
        if (frame)
            CloseFrame();
        sim::Reset();
    }

    void OpenFrame()
    {
        frame = new MainFrame("Zephlark Utility");
        frame->Show();
    }

    void CloseFrame()
    {
        frame->Close(true);
        WaitFor("the window to go", [] { return wxTopLevelWindows.empty(); });
        frame = nullptr;
    }

    void RunCommand(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        frame->ProcessWindowEvent(event);
    }

    void PressButton(const wxString& label)
    {
        wxWindow* button = wxWindow::FindWindowByLabel(label, frame);
        ASSERT_NE(button, nullptr) << label;
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->ProcessWindowEvent(event);
    }

    wxString ClipboardText()
    {
        wxTextDataObject data;
        wxClipboardLocker locker;
        wxTheClipboard->GetData(data);
        return data.GetText();
    }

    LogCapture log;
    MainFrame* frame = nullptr;
};

TEST_F(MainFrameTest, CopyAndSaveLogHoldWhatRunsWhereAndEveryLaterMessage)
{
    wxLogMessage("before the window");
    OpenFrame();
    const wxString utf8 = wxString::FromUTF8("Gr\xc3\xbc\xc3\x9f"
                                             "e, \xe2\x9c\x93");
    wxLogMessage(utf8);
    wxLogWarning("b");
    wxLogGeneric(wxLOG_Info, "c");
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(), "");
    RunCommand(kCopyLogMessagesId);
    const wxString copied = ClipboardText();
    EXPECT_EQ(copied, RunLogHeader() + "\r\n" + utf8 + "\r\nb\r\nc\r\n");
    EXPECT_TRUE(copied.StartsWith("Zephlark Utility " ZEPHLARK_LONG_VERSION " on ")) << copied;
    EXPECT_NE(frame->GetStatusBar()->GetStatusText(), ""); // the confirmation

    // In the test's state folder, made if this is its first run: a failed save would wait on its
    // box.
    wxString folder;
    wxGetEnv("XDG_STATE_HOME", &folder);
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    ASSERT_TRUE(frame->SaveLog(folder + "/saved-log.txt"));
    wxString saved;
    ASSERT_TRUE(wxFFile(folder + "/saved-log.txt", "rb").ReadAll(&saved, wxConvISO8859_1));
    EXPECT_EQ(saved.ToStdString(wxConvISO8859_1), copied.utf8_string());

    // A save that fails says why and keeps the log.
    const wxString path = folder + "/no-such-folder/log.txt";
    auto box = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(EXPECT_FALSE(frame->SaveLog(path)), ExpectMessageBox(wxID_OK, box));
    EXPECT_EQ(box->caption, "Save Log As");
    EXPECT_TRUE(log.Contains(
        wxString::Format("Could not save the log to %s (%s).", path, wxSysErrorMsgStr(ENOENT))));
    RunCommand(kCopyLogMessagesId);
    EXPECT_TRUE(ClipboardText().StartsWith(copied));
    wxTEST_DIALOG(RunCommand(kSaveLogAsId), wxExpectDismissableModal<wxFileDialog>(wxID_CANCEL));
}

// What a screen reader is told, read back through ATK (the bridge may be off: NO_AT_BRIDGE=1).
wxString AccessibleName(wxWindow* window)
{
    AtkObject* accessible = gtk_widget_get_accessible(window->GetHandle());
    return accessible ? wxString::FromUTF8(atk_object_get_name(accessible)) : "(none)";
}

// The lamp's colour in its middle as the X server shows it, its round shape (not filled near its
// corner), its tooltip and its accessible name.
testing::AssertionResult LampTells(wxWindow* lamp, const wxColour& colour, const wxString& text)
{
    return WaitFor("the lamp's colour, shape, tooltip and name", [&] {
        const wxSize size = lamp->GetClientSize();
        const wxImage shown = CaptureClientArea(lamp);
        return PixelAt(shown, size.x / 2, size.y / 2) == colour && PixelAt(shown, 2, 2) != colour &&
               lamp->GetToolTipText() == text && AccessibleName(lamp) == text;
    });
}

// The connection is made before the window shows and let go before it goes. Without a device, the
// device commands only ask to connect one; with one, Reset is sent only after the user chose it.
TEST_F(MainFrameTest, LampLineAndCommandsFollowTheDeviceFromBeforeTheWindowShowsUntilCtrlQ)
{
    const wxColour green(0, 255, 0);
    const wxColour red(255, 0, 0);
    sim::Plug();
    frame = new MainFrame("Zephlark Utility");
    EXPECT_FALSE(frame->IsShown());
    EXPECT_TRUE(frame->deviceConnection->IsPortOpen());
    EXPECT_TRUE(log.Contains("Device Connected: simACM0"));
    frame->Show();
    sim::Unplug();
    EXPECT_TRUE(LampTells(frame->statusView, red, "Zephlark is disconnected"));
    EXPECT_EQ(frame->deviceLine->GetLabelText(), "No Zephlark connected");
    auto box = std::make_shared<ShownMessageBox>();
    for (const wxString button : {"Reset Zephlark...", "Upgrade Firmware..."}) {
        wxTEST_DIALOG(PressButton(button), ExpectMessageBox(wxID_OK, box));
        EXPECT_EQ(box->caption, "Connect a Zephlark");
    }
    sim::Plug();
    const wxString identified = "Zephlark ZL-000123 connected, OS 1.4.2";
    ASSERT_TRUE(WaitFor("the line to name the device",
                        [&] { return frame->deviceLine->GetLabelText() == identified; }));
    EXPECT_TRUE(LampTells(frame->statusView, green, "Zephlark is connected"));
    EXPECT_EQ(AccessibleName(frame->deviceLine), identified);
    EXPECT_FALSE(frame->deviceChooser->IsShown()); // nothing to choose from

    sim::ClearWritten();
    wxTEST_DIALOG(PressButton("Reset Zephlark..."), ExpectMessageBox(wxID_NO, box));
    EXPECT_EQ(sim::Written(), "");
    EXPECT_EQ(box->caption, "Reset Zephlark");
    wxTEST_DIALOG(PressButton("Reset Zephlark..."), ExpectMessageBox(wxID_YES, box));
    EXPECT_EQ(sim::Written(), "factoryreset\n");

    RunCommand(wxID_EXIT); // what Ctrl+Q sends
    EXPECT_EQ(frame->deviceConnection, nullptr);
    EXPECT_FALSE(ZephlarkSerialIsOpenHere("simACM0"));
    EXPECT_TRUE(WaitFor("the window to go", [] { return wxTopLevelWindows.empty(); }));
    frame = nullptr;
}

// A port the user may not open: the line and the info bar say so and how to fix it, until it opens.
TEST_F(MainFrameTest, InfoBarExplainsABlockedPortUntilItOpens)
{
    sim::FailNextOpens(INT_MAX, SerialOpenFailure::Denied);
    OpenFrame();
    sim::Plug();
    ASSERT_TRUE(WaitFor("the info bar", [this] { return frame->accessBar->IsShown(); }));
    EXPECT_EQ(frame->deviceLine->GetLabelText(),
              "Zephlark on simACM0 cannot be opened: permission denied");
    const wxString problem = "simACM0 may not be opened by this user.";
    const wxString fix = "Ask the computer's administrator for access to simACM0.";
    EXPECT_EQ(frame->accessBar->GetShownMessage(), problem + "\nFix: " + fix);
    wxCommandEvent copy(wxEVT_BUTTON, DeviceAccessBar::kCopyFixId);
    frame->accessBar->ProcessWindowEvent(copy);
    EXPECT_EQ(ClipboardText(), fix);

    auto report = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(RunCommand(kCheckDeviceAccessId), ExpectMessageBox(wxID_OK, report));
    EXPECT_TRUE(report->text.Contains("[!!] port: " + problem)) << report->text;

    sim::FailNextOpens(0); // the permission is granted
    sim::Unplug();
    sim::Plug();
    ASSERT_TRUE(
        WaitFor("the port to open", [this] { return frame->deviceConnection->IsPortOpen(); }));
    EXPECT_TRUE(WaitFor("the info bar to go", [this] { return !frame->accessBar->IsShown(); }));
    // Checking again leaves the window's own connection open.
    wxTEST_DIALOG(RunCommand(kCheckDeviceAccessId), ExpectMessageBox(wxID_OK, report));
    EXPECT_TRUE(report->text.Contains("[ok] port: ")) << report->text;
    EXPECT_TRUE(frame->deviceConnection->IsPortOpen());
}

} // namespace
