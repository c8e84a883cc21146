// The window around an update: its dialogs, the progress window from the first check to the
// result with its Cancel button, the commands it refuses meanwhile, and a close while it runs; with
// two devices, the chooser and what follows the chosen one.

#include <wx/filedlg.h>
#include <wx/stattext.h>
#include <wx/testing.h>

#include <gmock/gmock.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ExpectMessageBox.h"
#include "FileLock.h"
#include "window/DeviceChooser.h"
#include "update/UpdateJournal.h"
#include "UserStateFolder.h"
#include "UpdateWindowFixture.h"
#include "ZLBox.h"

namespace {

// Answers a dialog of this kind and notes that it was shown, after what happens meanwhile, while
// it is up. (On GTK a path chosen in a file dialog this way does not come back out of it, so
// updates themselves are tested below the dialogs, through UpdateFirmware.)
template <class Dialog>
class AnswerAndNote : public wxExpectModalBase<Dialog, AnswerAndNote<Dialog>>
{
public:
    AnswerAndNote(int answer, std::shared_ptr<bool> shown, std::function<void()> meanwhile = {})
        : answer(answer), shown(std::move(shown)), meanwhile(std::move(meanwhile))
    {}

protected:
    int OnInvoked(Dialog*) const override
    {
        *shown = true;
        if (meanwhile)
            meanwhile();
        return answer;
    }

private:
    int answer;
    std::shared_ptr<bool> shown;
    std::function<void()> meanwhile;
};

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
// to offer. Once the lock is free, the device's next report brings the offer, and Yes finishes it.
TEST_F(UpgradeWindow, OffersToFinishOnlyWhatNoOtherProgramIsUpdating)
{
    UpdateJournal journal(ZephlarkUserStateFolder(), sim::kDefaultSerialNumber);
    ASSERT_TRUE(journal.Save({sim::kDefaultSerialNumber, {}, "installing", sim::kDefaultBuild}));
    auto otherProgram = std::make_unique<FileLock>(journal.Path() + ".lock");
    ASSERT_EQ(otherProgram->GetState(), FileLock::State::Held);
    bool offeredWhileLocked = false;
    auto box = std::make_shared<ShownMessageBox>();
    auto result = std::make_shared<ShownMessageBox>();
    wxTEST_DIALOG(
        {
            frame->OfferToFinishUpdate();
            offeredWhileLocked = !box->text.empty();
            otherProgram.reset();
            frame->DeviceIdentified();
            WaitFor("the finished update's result", [&] { return !result->text.empty(); });
        },
        ExpectMessageBox(wxID_YES, box), ExpectMessageBox(wxID_OK, result));
    EXPECT_FALSE(offeredWhileLocked);
    EXPECT_TRUE(box->text.StartsWith("An earlier firmware update of this Zephlark did not finish."))
        << box->text;
    EXPECT_TRUE(result->text.StartsWith("Update Finished\n\nThe files of an interrupted update"))
        << result->text;
    EXPECT_FALSE(wxFileExists(journal.Path()));
}

// The engine's outcome for each moment of a stop is the update flow's; here Cancel reaches it, and
// the progress window tells what the stop does meanwhile.
TEST_F(UpgradeWindow, CancelStopsTheUpdateWithTheProgressWindowSayingWhere)
{
    log.OnMessage("Copying files to Zephlark...", [] {
        wxWindow* cancel = ProgressWindow() ? ProgressWindow()->FindWindow(wxID_CANCEL) : nullptr;
        ASSERT_NE(cancel, nullptr) << "no Cancel button in the progress window";
        wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
        click.SetEventObject(cancel);
        cancel->ProcessWindowEvent(click);
    });
    wxString shownWhileEjecting;
    log.OnMessage("Ejecting Zephlark...", [&] {
        if (const wxProgressDialog* progress = ProgressWindow())
            shownWhileEjecting = progress->GetMessage();
    });
    EXPECT_EQ(frame->UpdateFirmware(OsFile("1.5.0"), "", false).outcome, UpdateOutcome::Stopped);
    // The note is broken into lines as wide as the window.
    shownWhileEjecting.Replace("\n", " ");
    EXPECT_EQ(shownWhileEjecting.utf8_string(),
              ("Ejecting Zephlark...  " + WhatAStopDoes(UpdatePhase::Returning)).utf8_string());
}

// ZL-000123 and ZL-000124, both plugged in; the first is chosen at the start.
class TwoDeviceWindow : public UpgradeWindow
{
protected:
    TwoDeviceWindow() : UpgradeWindow(2)
    {
        EXPECT_TRUE(WaitFor("the chooser to list both", [this] {
            return chooser->IsShown() && chooser->GetString(1) == "ZL-000124, OS 1.4.2";
        }));
    }

    // As the user's pick in the chooser.
    void Choose(int item)
    {
        chooser->SetSelection(item);
        wxCommandEvent choice(wxEVT_CHOICE, chooser->GetId());
        choice.SetEventObject(chooser);
        chooser->ProcessWindowEvent(choice);
    }

    testing::AssertionResult LineSays(const char* text)
    {
        return WaitFor(text, [this, text] { return frame->deviceLine->GetLabelText() == text; });
    }

    DeviceChooser* chooser = frame->deviceChooser;
};

// A restart of the chosen device, as an unplug and a plug within its grace: meanwhile the lamp and
// the line say it is gone, though the other device is still there, and it stays chosen. Gone for
// good, it gives way to the first; and once that one is gone too, a newcomer is shown at once, as
// on a service desk with one device after another.
TEST_F(TwoDeviceWindow, ChosenDeviceIsWhatTheLampTheLineAndResetActOnUntilItIsGone)
{
    EXPECT_EQ(chooser->GetString(0), "ZL-000123, OS 1.4.2");
    // Laid out again as the texts grew: the texts are not cut short.
    EXPECT_GE(chooser->GetSize().x, chooser->GetBestSize().x);
    Choose(1);
    EXPECT_TRUE(LineSays("Zephlark ZL-000124 connected, OS 1.4.2"));
    sim::Unplug(1);
    EXPECT_TRUE(LineSays("No Zephlark connected"));
    EXPECT_TRUE(WaitFor("the lamp to turn off", [this] {
        return frame->statusView->GetToolTipText() == "Zephlark is disconnected";
    }));
    sim::Plug(1);
    EXPECT_TRUE(LineSays("Zephlark ZL-000124 connected, OS 1.4.2"));

    sim::ClearWritten(0);
    sim::ClearWritten(1);
    // The reset goes to the device it was confirmed for, though the other is chosen meanwhile.
    auto confirmed = std::make_shared<bool>(false);
    wxCommandEvent click(wxEVT_BUTTON);
    wxTEST_DIALOG(frame->OnResetDevice(click),
                  AnswerAndNote<wxMessageDialog>(wxID_YES, confirmed, [this] { Choose(0); }));
    EXPECT_EQ(sim::Written(1), "factoryreset\n");
    EXPECT_EQ(sim::Written(0), "");

    Choose(1);
    sim::Unplug(1);
    ASSERT_TRUE(LineSays("No Zephlark connected"));
    LetTimePass(std::chrono::seconds{30});
    EXPECT_TRUE(LineSays("Zephlark ZL-000123 connected, OS 1.4.2"));
    EXPECT_TRUE(WaitFor("the chooser to go", [this] { return !chooser->IsShown(); }));
    sim::Unplug(0);
    ASSERT_TRUE(LineSays("No Zephlark connected"));
    sim::Plug(1);
    EXPECT_TRUE(LineSays("Zephlark ZL-000124 connected, OS 1.4.2"));
}

// Steps an update logs: its first check, the first after the copy (where the progress dialog once
// hid), the install, the clean-up.
const char* const kUpdateSteps[] = {"Comparing firmware versions...", "Ejecting Zephlark...",
                                    "Installing firmware...", "Cleaning Up..."};

// From the first check to the result: one progress window, no other device command, a close that
// waits, and the device it began with, whichever is chosen meanwhile.
TEST_F(TwoDeviceWindow, UpdateHoldsTheWindowAndKeepsItsDeviceFromTheFirstCheckToTheResult)
{
    const size_t commandsBefore = DeviceCommands().size();
    auto fileAsked = std::make_shared<bool>(false);
    wxCommandEvent click(wxEVT_BUTTON);
    wxTEST_DIALOG(frame->OnUpgradeFirmware(click),
                  AnswerAndNote<wxFileDialog>(wxID_CANCEL, fileAsked));
    EXPECT_TRUE(*fileAsked);
    EXPECT_EQ(DeviceCommands().size(), commandsBefore);

    Configure([](sim::DeviceSettings& settings) { settings.diskBytesPerSecond = 20'000; });
    std::vector<std::string> lapses; // the steps at which the window was not as it must be
    for (const char* step : kUpdateSteps)
        log.OnMessage(step, [this, step, &lapses] {
            if (!ProgressWindow() || frame->IsEnabled())
                lapses.push_back(step);
        });
    *fileAsked = false;
    auto box = std::make_shared<ShownMessageBox>();
    wxString lineWhileInstalling;
    log.OnMessage("Installing firmware...", [&] {
        wxTEST_DIALOG(frame->OnUpgradeFirmware(click),
                      AnswerAndNote<wxFileDialog>(wxID_CANCEL, fileAsked).Optional());
        wxTEST_DIALOG(frame->OnResetDevice(click), ExpectMessageBox(wxID_NO, box).Optional());
        wxCommandEvent check(wxEVT_MENU, kCheckDeviceAccessId);
        wxTEST_DIALOG(frame->ProcessWindowEvent(check), ExpectMessageBox(wxID_OK, box).Optional());
        frame->Close();
        Choose(1);
        lineWhileInstalling = frame->deviceLine->GetLabelText();
    });
    UpdateResult result{};
    // At its maximum the toolkit's progress dialog turns into a finished one that waits, modal,
    // for the user to close it: answered and noted here instead of holding the test.
    auto finished = std::make_shared<bool>(false);
    wxTEST_DIALOG(result = frame->UpdateFirmware(OsFile("1.5.0"), "", false),
                  AnswerAndNote<wxProgressDialog>(wxID_OK, finished).Optional());
    EXPECT_EQ(result.text, Successful("1.5.0"));
    EXPECT_FALSE(*finished);
    EXPECT_THAT(lapses, testing::IsEmpty());
    EXPECT_FALSE(*fileAsked);
    EXPECT_EQ(box->caption, "");
    EXPECT_EQ(lineWhileInstalling.utf8_string(),
              "Updating Zephlark ZL-000123: installing (do not unplug)");
    EXPECT_TRUE(frame->IsEnabled());
    EXPECT_TRUE(log.Contains("Zephlark Utility will close when the firmware update has finished."));
    EXPECT_NE(frame->deviceConnection, nullptr);
    EXPECT_THAT(sim::Written(0), testing::HasSubstr("fwup"));
    EXPECT_THAT(sim::Written(1), testing::Not(testing::HasSubstr("datadisk")));
    EXPECT_TRUE(LineSays("Zephlark ZL-000124 connected, OS 1.4.2"));
}

} // namespace
