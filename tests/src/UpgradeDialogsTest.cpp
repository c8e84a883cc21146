// The window around an update: its dialogs, the progress window from the first check to the
// result with its Cancel button, the commands it refuses meanwhile, and a close while it runs.

#include <wx/filedlg.h>
#include <wx/stattext.h>
#include <wx/testing.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ExpectMessageBox.h"
#include "FileLock.h"
#include "update/UpdateJournal.h"
#include "UserStateFolder.h"
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

// At its maximum the toolkit's progress dialog turns into a finished one that waits, modal, for
// the user to close it: answered and noted here instead of holding the test.
class FinishedProgressWindow : public wxExpectModalBase<wxProgressDialog, FinishedProgressWindow>
{
public:
    explicit FinishedProgressWindow(std::shared_ptr<bool> shown) : shown(std::move(shown)) {}

protected:
    int OnInvoked(wxProgressDialog*) const override
    {
        *shown = true;
        return wxID_OK;
    }

private:
    std::shared_ptr<bool> shown;
};

// Steps an update logs: its first check, the first after the copy (where the progress dialog once
// hid), the install, the clean-up.
const char* const kUpdateSteps[] = {"Comparing firmware versions...", "Ejecting Zephlark...",
                                    "Installing firmware...", "Cleaning Up..."};

TEST_F(UpgradeWindow, OneProgressWindowAndNoOtherDeviceCommandFromTheFirstCheckToTheResult)
{
    Configure([](sim::DeviceSettings& settings) { settings.diskBytesPerSecond = 20'000; });
    std::vector<std::string> lapses; // the steps at which the window was not as it must be
    for (const char* step : kUpdateSteps)
        log.OnMessage(step, [this, step, &lapses] {
            if (!ProgressWindow() || frame->IsEnabled())
                lapses.push_back(step);
        });
    auto seen = std::make_shared<SeenFileDialog>();
    auto box = std::make_shared<ShownMessageBox>();
    wxString lineWhileInstalling;
    log.OnMessage("Installing firmware...", [&] {
        lineWhileInstalling = frame->deviceLine->GetLabelText();
        wxCommandEvent click(wxEVT_BUTTON);
        wxTEST_DIALOG(frame->OnUpgradeFirmware(click), CancelFileDialog(seen).Optional());
        wxTEST_DIALOG(frame->OnResetDevice(click), ExpectMessageBox(wxID_NO, box).Optional());
        wxCommandEvent check(wxEVT_MENU, kCheckDeviceAccessId);
        wxTEST_DIALOG(frame->ProcessWindowEvent(check), ExpectMessageBox(wxID_OK, box).Optional());
    });
    UpdateResult result{};
    auto finished = std::make_shared<bool>(false);
    wxTEST_DIALOG(result = frame->UpdateFirmware(OsFile("1.5.0"), "", false),
                  FinishedProgressWindow(finished).Optional());
    EXPECT_EQ(result.text, Successful("1.5.0"));
    EXPECT_FALSE(*finished);
    EXPECT_THAT(lapses, testing::IsEmpty());
    EXPECT_EQ(seen->message, "");
    EXPECT_EQ(box->caption, "");
    EXPECT_EQ(lineWhileInstalling.utf8_string(),
              "Updating Zephlark ZL-000123: installing (do not unplug)");
    EXPECT_TRUE(frame->IsEnabled());
}

TEST_F(UpgradeWindow, OlderFileResultSaysHowToInstallItOnPurpose)
{
    const UpdateResult older{UpdateOutcome::Refused, Error("Firmware file is too old."), "",
                             "older-file"};
    auto box = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(frame->ShowUpdateResult(older), ExpectMessageBox(wxID_OK, box));
    EXPECT_TRUE(box->text.StartsWith(older.text + "\n\nTo install this older version on purpose"))
        << box->text;
    EXPECT_EQ(box->style & wxICON_MASK, wxICON_WARNING);
}

// Another program updating this device holds its lock: its journal is then no unfinished update
// to offer. Once the lock is free, the offer comes.
TEST_F(UpgradeWindow, OffersToFinishOnlyWhatNoOtherProgramIsUpdating)
{
    UpdateJournal journal(ZephlarkUserStateFolder(), sim::kDefaultSerialNumber);
    ASSERT_TRUE(journal.Save({sim::kDefaultSerialNumber, {}, "installing", "1.5.0"}));
    auto otherProgram = std::make_unique<FileLock>(journal.Path() + ".lock");
    ASSERT_EQ(otherProgram->GetState(), FileLock::State::Held);
    bool offeredWhileLocked = false;
    auto box = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(
        {
            frame->OfferToFinishUpdate();
            offeredWhileLocked = !box->text.empty();
            otherProgram.reset();
            frame->OfferToFinishUpdate();
        },
        ExpectMessageBox(wxID_NO, box));
    EXPECT_FALSE(offeredWhileLocked);
    EXPECT_TRUE(box->text.StartsWith("An earlier firmware update of this Zephlark did not finish."))
        << box->text;
}

struct CancelCase
{
    const char* name;
    const char* pressedDuring; // the step whose message is logged as Cancel is pressed
    bool sentToDataDisk;
};

class CancelledUpdate : public UpgradeWindow, public testing::WithParamInterface<CancelCase>
{
};

TEST_P(CancelledUpdate, StopsWhereTheDeviceIsSafeWithTheProgressWindowSayingSo)
{
    log.OnMessage(GetParam().pressedDuring, [] { PressCancel(); });
    wxString shownWhileEjecting;
    log.OnMessage("Ejecting Zephlark...", [&] {
        if (const wxProgressDialog* progress = ProgressWindow())
            shownWhileEjecting = progress->GetMessage();
    });
    EXPECT_EQ(frame->UpdateFirmware(OsFile("1.5.0"), "", false).outcome, UpdateOutcome::Stopped);
    const auto commands = DeviceCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "datadisk"),
              GetParam().sentToDataDisk ? 1 : 0);
    if (GetParam().sentToDataDisk) {
        // The note is broken into lines as wide as the window.
        shownWhileEjecting.Replace("\n", " ");
        EXPECT_EQ(shownWhileEjecting.utf8_string(),
                  ("Ejecting Zephlark...  " + WhatAStopDoes(UpdatePhase::Returning)).utf8_string());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Moments, CancelledUpdate,
    testing::Values(CancelCase{"BeforeTheDataDisk", "Comparing firmware versions...", false},
                    CancelCase{"WhileCopying", "Copying files to Zephlark...", true}),
    [](const testing::TestParamInfo<CancelCase>& info) { return info.param.name; });

} // namespace
