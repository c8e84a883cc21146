// The demo's "Simulate" menu on the window: its place, plugging, and failures that the window's
// own update reports.

#include <wx/menu.h>
#include <wx/testing.h>
#include <wx/textdlg.h>

#include <string>
#include <utility>
#include <vector>

#include "Serial.h"
#include "SimulateMenu.h"
#include "UpdateWindowFixture.h"

namespace {

class SimulateMenu : public UpgradeWindow
{
protected:
    SimulateMenu() { AddSimulateMenu(*frame); }

    std::string MenuTitles() const
    {
        std::string titles;
        for (size_t i = 0; i < frame->GetMenuBar()->GetMenuCount(); ++i)
            titles += (i ? " " : "") + frame->GetMenuBar()->GetMenuLabelText(i).ToStdString();
        return titles;
    }

    // As a click on the item (of a submenu too) would.
    void Choose(const wxString& item)
    {
        const int id = frame->GetMenuBar()->FindMenuItem("Simulate", item);
        ASSERT_NE(id, wxNOT_FOUND) << item;
        frame->ProcessCommand(id);
    }
};

TEST_F(SimulateMenu, StandsBeforeHelp)
{
    EXPECT_EQ(MenuTitles(), "File Simulate Help");
}

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

TEST_F(SimulateMenu, ConsoleLineTheUserTypesShowsInTheLog)
{
    wxTEST_DIALOG(Choose("Send Console Line..."), TypeLine("hello from the demo"));
    EXPECT_TRUE(
        WaitFor("the line in the log", [this] { return log.Contains("hello from the demo"); }));
}

TEST_F(SimulateMenu, UnplugAndPlugChangeTheConnection)
{
    Choose("Zephlark Plugged In");
    EXPECT_TRUE(WaitFor("the port to close", [] { return !ZephlarkSerialIsOpen(); }));
    Choose("Zephlark Plugged In");
    EXPECT_TRUE(WaitFor("the device to be identified again",
                        [this] { return frame->deviceConnection->IsDeviceIdentified(); }));
}

struct FailureCase
{
    const char* name;
    std::vector<const char*> choices; // in order
    const char* resultStart;
};

class SimulatedFailure : public SimulateMenu, public testing::WithParamInterface<FailureCase>
{
};

TEST_P(SimulatedFailure, IsWhatTheUpdateReports)
{
    for (const char* choice : GetParam().choices)
        Choose(choice);
    const wxString result = frame->UpdateFirmware(OsFile("1.5.0"), "", false).text;
    EXPECT_TRUE(result.StartsWith(GetParam().resultStart)) << result;
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SimulatedFailure,
    testing::Values(
        FailureCase{"UnpackingFails", {"Unpacking Fails"}, "Update Failed\n\n"},
        FailureCase{
            "CorruptCopy", {"Next Copy Reads Back Wrong"}, "Update Error\n\nCopy file failed."},
        FailureCase{"DiskFull", {"Data Disk Is Full"}, "Update Error\n\nThere is not enough space"},
        // Each choice undoes the one before.
        FailureCase{"NoneAfterAFailure", {"Data Disk Is Full", "None"}, "Update Successful\n\n"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

} // namespace
