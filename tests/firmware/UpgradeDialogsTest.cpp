// The window around an update: its dialogs, and a close while it runs.

#include <wx/filedlg.h>
#include <wx/testing.h>

#include <memory>

#include "UpdateWindowFixture.h"

namespace {

// Cancels a file dialog and records its wildcard. (On GTK a path chosen this way does not come back
// out of the dialog, so updates themselves are tested below the dialogs, through UpdateFirmware.)
class CancelFileDialog : public wxExpectModalBase<wxFileDialog, CancelFileDialog>
{
public:
    explicit CancelFileDialog(std::shared_ptr<wxString> wildcard) : wildcard(std::move(wildcard)) {}

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        *wildcard = dialog->GetWildcard();
        return wxID_CANCEL;
    }

private:
    std::shared_ptr<wxString> wildcard;
};

TEST_F(UpgradeWindow, CancellingTheOsFileDoesNothingAtAll)
{
    const size_t commandsBefore = DeviceCommands().size();
    auto wildcard = std::make_shared<wxString>();
    wxCommandEvent click(wxEVT_BUTTON);
    wxTEST_DIALOG(frame->OnUpgradeFirmware(click), CancelFileDialog(wildcard));
    EXPECT_EQ(*wildcard, "Zephlark OS files (*.zlos)|*.zlos");
    EXPECT_EQ(DeviceCommands().size(), commandsBefore);
}

TEST_F(UpgradeWindow, CloseDuringTheUpdateWaitsForItsEnd)
{
    log.OnMessage("Installing firmware...", [this] { frame->Close(); });
    EXPECT_EQ(frame->UpdateFirmware(OsFile("1.5.0"), "", false), Successful("1.5.0"));
    EXPECT_TRUE(log.Contains("Zephlark Utility will close when the firmware update has finished."));
    EXPECT_NE(frame->deviceConnection, nullptr);
}

} // namespace
