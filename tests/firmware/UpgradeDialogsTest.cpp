// The window around an update: its dialogs, and a close while it runs.

#include <wx/filedlg.h>
#include <wx/testing.h>

#include <memory>

#include "UpdateWindowFixture.h"

namespace {

struct SeenFileDialog
{
    wxString message;
    wxString wildcard;
};

// Cancels a file dialog and records what it asked. (On GTK a path chosen this way does not come
// back out of the dialog, so updates themselves are tested below the dialogs, through
// UpdateFirmware.)
class CancelFileDialog : public wxExpectModalBase<wxFileDialog, CancelFileDialog>
{
public:
    explicit CancelFileDialog(std::shared_ptr<SeenFileDialog> seen) : seen(std::move(seen)) {}

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        seen->message = dialog->GetMessage();
        seen->wildcard = dialog->GetWildcard();
        return wxID_CANCEL;
    }

private:
    std::shared_ptr<SeenFileDialog> seen;
};

TEST_F(UpgradeWindow, CancellingTheOsFileDoesNothingAtAll)
{
    const size_t commandsBefore = DeviceCommands().size();
    auto seen = std::make_shared<SeenFileDialog>();
    wxCommandEvent click(wxEVT_BUTTON);
    wxTEST_DIALOG(frame->OnUpgradeFirmware(click), CancelFileDialog(seen));
    EXPECT_EQ(seen->message, "Select a Zephlark OS file");
    EXPECT_EQ(seen->wildcard, "Zephlark OS files (*.zlos)|*.zlos");
    EXPECT_EQ(DeviceCommands().size(), commandsBefore);
}

TEST_F(UpgradeWindow, CloseDuringTheUpdateWaitsForItsEnd)
{
    log.OnMessage("Installing firmware...", [this] { frame->Close(); });
    EXPECT_EQ(frame->UpdateFirmware(OsFile("1.5.0"), "", false).text, Successful("1.5.0"));
    EXPECT_TRUE(log.Contains("Zephlark Utility will close when the firmware update has finished."));
    EXPECT_NE(frame->deviceConnection, nullptr);
}

} // namespace
