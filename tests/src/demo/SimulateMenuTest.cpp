// The demo's "Simulate" menu on the window: plugging, a console line, and the result box of the
// window's own update after a failure of each kind it offers (the device's three install faults
// take one path).

#include <wx/menu.h>
#include <wx/testing.h>
#include <wx/textdlg.h>

#include <memory>
#include <utility>
#include <vector>

#include "ExpectMessageBox.h"
#include "Serial.h"
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

TEST_F(SimulateMenu, SeveralDevicesArePluggedEachByAnItemOfItsOwn)
{
    sim::Reset(2);
    sim::Plug(0);
    sim::Plug(1);
    wxFrame bench(nullptr, wxID_ANY, "Bench");
    bench.SetMenuBar(new wxMenuBar);
    AddSimulateMenu(bench);

    EXPECT_EQ(bench.GetMenuBar()->FindMenuItem("Simulate", "Zephlark Plugged In"), wxNOT_FOUND);
    const int second =
        bench.GetMenuBar()->FindMenuItem("Simulate", "Zephlark ZL-000124 Plugged In");
    ASSERT_NE(second, wxNOT_FOUND);
    bench.ProcessCommand(second);
    EXPECT_TRUE(sim::IsPlugged(0));
    EXPECT_FALSE(sim::IsPlugged(1));
}

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

struct FailureCase
{
    const char* name;
    std::vector<const char*> choices; // in order
    const char* resultStart;
    long icon;
};

class SimulatedFailure : public SimulateMenu, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(SimulatedFailure, IsWhatTheResultBoxSays)
{
    for (const char* choice : GetParam().choices)
        Choose(choice);
    const UpdateResult result = frame->UpdateFirmware(OsFile("1.5.0"), "", false);
    auto box = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(frame->ShowUpdateResult(result), ExpectMessageBox(wxID_OK, box));
    EXPECT_TRUE(result.text.StartsWith(GetParam().resultStart)) << result.text;
    EXPECT_EQ(box->caption, "Firmware Update");
    // The first lines as they always were, the reason the engine found right below them.
    const wxString told =
        result.detail.empty() ? result.text : result.text + "\n\n" + result.detail;
    EXPECT_TRUE(box->text.StartsWith(told)) << box->text;
    EXPECT_EQ(box->style & wxICON_MASK, GetParam().icon);
    // A failure also says what to do.
    if (GetParam().icon == wxICON_ERROR) {
        EXPECT_GT(box->text.length(), told.length()) << box->text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SimulatedFailure,
    testing::Values(
        FailureCase{"UnpackingFails", {"Unpacking Fails"}, "Update Failed\n\n", wxICON_ERROR},
        FailureCase{"CorruptCopy",
                    {"Next Copy Reads Back Wrong"},
                    "Update Error\n\nCopy file failed.",
                    wxICON_ERROR},
        FailureCase{"DiskFull",
                    {"Data Disk Is Full"},
                    "Update Error\n\nThere is not enough space",
                    wxICON_WARNING},
        // Each choice undoes the one before.
        FailureCase{"NoneAfterAFailure",
                    {"Data Disk Is Full", "None"},
                    "Update Successful\n\n",
                    wxICON_INFORMATION}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

} // namespace
