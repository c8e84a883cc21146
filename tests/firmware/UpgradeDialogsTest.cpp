// The window around an update: its dialogs, and a close while it runs.

#include <wx/filedlg.h>
#include <wx/testing.h>

#include <algorithm>
#include <memory>

#include "ExpectMessageBox.h"
#include "FirmwareUpdate.h"
#include "UpdateWindowFixture.h"
#include "UserStateFolder.h"
#include "deviceconnection.h"

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

class UpgradeDialogs : public UpgradeWindow
{
protected:
    void PressUpgrade()
    {
        wxCommandEvent click(wxEVT_BUTTON);
        frame->OnUpgradeFirmware(click);
    }

    std::shared_ptr<SeenFileDialog> osDialog = std::make_shared<SeenFileDialog>();
};

TEST_F(UpgradeDialogs, CancellingTheOsFileDoesNothingAtAll)
{
    const size_t commandsBefore = DeviceCommands().size();
    wxTEST_DIALOG(PressUpgrade(), CancelFileDialog(osDialog));
    EXPECT_EQ(osDialog->message, "Select a Zephlark OS file");
    EXPECT_EQ(osDialog->wildcard, "Zephlark OS files (*.zlos)|*.zlos");
    EXPECT_EQ(DeviceCommands().size(), commandsBefore);
}

TEST_F(UpgradeWindow, CloseDuringTheUpdateWaitsForItsEnd)
{
    log.OnMessage("Installing firmware...", [this] { frame->Close(); });
    EXPECT_EQ(frame->UpdateFirmware(OsFile("1.5.0"), "", false), Successful("1.5.0"));
    EXPECT_TRUE(log.Contains("Zephlark Utility will close when the firmware update has finished."));
    EXPECT_NE(frame->deviceConnection, nullptr);
}

TEST_F(UpgradeWindow, OffersToFinishAnInterruptedUpdateOfThisDevice)
{
    UpdateJournal(ZephlarkUserStateFolder())
        .Save({sim::kDefaultSerialNumber, {"ZephlarkOS.zlos"}, "installing", "1.5.0"});
    auto seen = std::make_shared<wxString>();
    wxTEST_DIALOG(frame->OfferToFinishUpdate(), ExpectMessageBox(wxID_YES, seen),
                  ExpectMessageBox(wxID_OK, seen));
    EXPECT_FALSE(FirmwareUpdate::UnfinishedFor(*frame->deviceConnection));
    const auto messages = log.Messages();
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(),
                            [](const wxString& m) { return m.StartsWith("Update Finished\n\n"); }));
}

} // namespace
