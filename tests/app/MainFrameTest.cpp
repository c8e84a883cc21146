// The main window on the simulated device: start-up, hot-plug, closing, menus and commands.

#include <wx/clipbrd.h>
#include <wx/ffile.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <gtest/gtest.h>

#include "ExpectMessageBox.h"
#include "LogCapture.h"
#include "MainFrame.h"
#include "Serial.h"
#include "WaitFor.h"
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
        for (wxWindow* child : frame->GetChildren()) {
            if (child->GetLabel() == label) {
                wxCommandEvent event(wxEVT_BUTTON, child->GetId());
                event.SetEventObject(child);
                child->ProcessWindowEvent(event);
                return;
            }
        }
        FAIL() << "no button " << label;
    }

    wxString ClipboardText()
    {
        wxTextDataObject data;
        wxClipboardLocker locker;
        wxTheClipboard->GetData(data);
        return data.GetText();
    }

    void SetClipboardText(const wxString& text)
    {
        wxClipboardLocker locker;
        wxTheClipboard->SetData(new wxTextDataObject(text));
    }

    LogCapture log;
    MainFrame* frame = nullptr;
};

TEST_F(MainFrameTest, DevicePluggedAtStartIsConnectedBeforeTheWindowShows)
{
    sim::Plug();
    frame = new MainFrame("Zephlark Utility");
    EXPECT_FALSE(frame->IsShown());
    EXPECT_TRUE(ZephlarkSerialIsOpen());
    EXPECT_TRUE(log.Contains("Device Connected: simACM0"));
    frame->Show();
}

TEST_F(MainFrameTest, HotPlugNoticesConnectAndDisconnect)
{
    OpenFrame();
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    sim::Plug();
    EXPECT_TRUE(WaitFor("the port to open", [] { return ZephlarkSerialIsOpen(); }));
    EXPECT_TRUE(WaitFor("the device to be identified",
                        [this] { return frame->deviceConnection->IsDeviceIdentified(); }));
    sim::Unplug();
    EXPECT_TRUE(WaitFor("the port to close", [] { return !ZephlarkSerialIsOpen(); }));
    EXPECT_TRUE(log.Contains("Device Disconnected: simACM0"));
}

TEST_F(MainFrameTest, ClosingTearsTheConnectionDownBeforeTheWindowGoes)
{
    sim::Plug();
    OpenFrame();
    ASSERT_TRUE(ZephlarkSerialIsOpen());
    RunCommand(wxID_EXIT); // what Ctrl+Q sends
    EXPECT_EQ(frame->deviceConnection, nullptr);
    EXPECT_FALSE(ZephlarkSerialIsOpen());
    EXPECT_TRUE(WaitFor("the window to go", [] { return wxTopLevelWindows.empty(); }));
    frame = nullptr;
}

TEST_F(MainFrameTest, CopyLogMessagesPutsEveryLaterMessageOnTheClipboard)
{
    wxLogMessage("before the window");
    OpenFrame();
    wxLogMessage("a");
    wxLogWarning("b");
    wxLogGeneric(wxLOG_Info, "c");
    RunCommand(kCopyLogMessagesId);
    EXPECT_EQ(ClipboardText(), "a\r\nb\r\nc\r\n");
}

TEST_F(MainFrameTest, CopyWithAnEmptyLogLeavesTheClipboardAlone)
{
    OpenFrame();
    SetClipboardText("what the user had");
    RunCommand(kCopyLogMessagesId);
    EXPECT_EQ(ClipboardText(), "what the user had");
}

wxString StateFile(const wxString& name)
{
    wxString folder;
    wxGetEnv("XDG_STATE_HOME", &folder);
    return folder + "/" + name;
}

TEST_F(MainFrameTest, SaveLogWritesTheClipboardTextAsUtf8)
{
    OpenFrame();
    wxLogMessage(wxString::FromUTF8("Gr\xc3\xbc\xc3\x9f"
                                    "e, \xe2\x9c\x93"));
    wxLogMessage("second");
    RunCommand(kCopyLogMessagesId);
    const wxString path = StateFile("saved-log.txt");
    ASSERT_TRUE(frame->SaveLog(path));

    wxString saved;
    ASSERT_TRUE(wxFFile(path, "rb").ReadAll(&saved, wxConvISO8859_1));
    EXPECT_EQ(saved.ToStdString(wxConvISO8859_1), ClipboardText().utf8_string());
}

TEST_F(MainFrameTest, SaveLogThatFailsSaysWhyAndKeepsTheLog)
{
    OpenFrame();
    wxLogMessage("kept");
    const wxString path = StateFile("no-such-folder/log.txt");
    auto caption = std::make_shared<wxString>();
    wxTEST_DIALOG(EXPECT_FALSE(frame->SaveLog(path)), ExpectMessageBox(wxID_OK, caption));
    EXPECT_EQ(*caption, "Save Log As");
    EXPECT_TRUE(log.Contains(
        wxString::Format("Could not save the log to %s (%s).", path, wxSysErrorMsgStr(ENOENT))));
    RunCommand(kCopyLogMessagesId);
    EXPECT_TRUE(ClipboardText().StartsWith("kept\r\n"));
}

TEST_F(MainFrameTest, SaveLogAsCancelledSavesNothing)
{
    OpenFrame();
    wxLogMessage("something to save");
    wxTEST_DIALOG(RunCommand(kSaveLogAsId), wxExpectDismissableModal<wxFileDialog>(wxID_CANCEL));
}

TEST_F(MainFrameTest, DeviceCommandsWithoutADeviceOnlyAskToConnectOne)
{
    OpenFrame();
    for (const wxString button : {"Reset Zephlark...", "Upgrade Firmware..."}) {
        auto caption = std::make_shared<wxString>();
        wxTEST_DIALOG(PressButton(button), ExpectMessageBox(wxID_OK, caption));
        EXPECT_EQ(*caption, "Connect a Zephlark");
    }
    EXPECT_EQ(sim::Written(), "");
}

TEST_F(MainFrameTest, ResetIsSentOnlyAfterTheUserChoseReset)
{
    sim::Plug();
    OpenFrame();
    sim::ClearWritten();
    auto caption = std::make_shared<wxString>();
    wxTEST_DIALOG(PressButton("Reset Zephlark..."), ExpectMessageBox(wxID_NO, caption));
    EXPECT_EQ(sim::Written(), "");
    EXPECT_EQ(*caption, "Reset Zephlark");

    wxTEST_DIALOG(PressButton("Reset Zephlark..."), ExpectMessageBox(wxID_YES, caption));
    EXPECT_EQ(sim::Written(), "factoryreset\n");
}

} // namespace
