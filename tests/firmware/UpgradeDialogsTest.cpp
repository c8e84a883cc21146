// The dialogs in front of an update.

#include <wx/filedlg.h>
#include <wx/testing.h>

#include <memory>

#include "UpdateFlowFixture.h"

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

class UpgradeDialogs : public UpdateFlow
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

} // namespace
