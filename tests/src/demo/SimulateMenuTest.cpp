// The demo's "Simulate" menu on the window: plugging, a console line, and the result box of the
// window's own update after a failure it offers (the engine's outcome for each fault is the update
// flow's).

#include <wx/menu.h>
#include <wx/testing.h>
#include <wx/textdlg.h>

#include <memory>
#include <utility>

#include "ExpectMessageBox.h"
#include "demo/SimulateMenu.h"
#include "UpdateWindowFixture.h"

namespace {

class SimulateMenu : public UpgradeWindow
{
protected:
    SimulateMenu() { AddSimulateMenu(*frame); }

    // As a click on the item (of a submenu too) would.
    void Choose(const wxString& item)
    {
        const int id = frame->GetMenuBar()->FindMenuItem("Simulate", item);
        ASSERT_NE(id, wxNOT_FOUND) << item;
        frame->ProcessCommand(id);
    }
};

// Types a line into the text box and presses OK.
class TypeLine : public wxExpectModalBase<wxTextEntryDialog, TypeLine>
{
public:
    explicit TypeLine(wxString line) : line(std::move(line)) {}

protected:
    int OnInvoked(wxTextEntryDialog* dialog) const override
    {
        dialog->SetValue(line);
        return wxID_OK;
    }

private:
    wxString line;
};

TEST_F(SimulateMenu, UnplugPlugAndAConsoleLineReachTheConnection)
{
    Choose("Zephlark Plugged In");
    EXPECT_TRUE(
        WaitFor("the port to close", [this] { return !frame->deviceConnection->IsPortOpen(); }));
    Choose("Zephlark Plugged In");
    EXPECT_TRUE(WaitFor("the device to be identified again",
                        [this] { return frame->deviceConnection->IsDeviceIdentified(); }));
    wxTEST_DIALOG(Choose("Send Console Line..."), TypeLine("hello from the demo"));
    EXPECT_TRUE(
        WaitFor("the line in the log", [this] { return log.Contains("hello from the demo"); }));
}

// The failure chosen reaches the device, and the result box tells it: the first lines as they
// always were, the reason the engine found right below them, then what to do.
TEST_F(SimulateMenu, ChosenFailureIsWhatTheResultBoxSays)
{
    Choose("Unpacking Fails");
    const UpdateResult result = frame->UpdateFirmware(OsFile("1.5.0"), "", false);
    auto box = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(frame->ShowUpdateResult(result), ExpectMessageBox(wxID_OK, box));
    EXPECT_TRUE(result.text.StartsWith("Update Failed\n\n")) << result.text;
    EXPECT_EQ(box->caption, "Firmware Update");
    const wxString told = result.text + "\n\n" + result.detail;
    EXPECT_TRUE(box->text.StartsWith(told)) << box->text;
    EXPECT_GT(box->text.length(), told.length()) << box->text;
    EXPECT_EQ(box->style & wxICON_MASK, wxICON_ERROR);
}

} // namespace
