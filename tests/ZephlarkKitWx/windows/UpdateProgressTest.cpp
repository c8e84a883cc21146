// The update's progress window as Windows shows it: the toolkit's native one, a task dialog that
// runs on a thread of its own, with none of the generic dialog's windows.

#include <wx/frame.h>

#include <gtest/gtest.h>

#include "window/UpdateProgress.h"
#include "WaitFor.h"

// After the wx headers, whose names (CreateDialog, GetClassInfo) windows.h would turn into macros.
#include <wx/msw/wrapwin.h>
#include <commctrl.h>

namespace {

TEST(UpdateProgressWindow, CancelAsksTheUpdateToStopAndTheWindowStays)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Zephlark Utility");
    frame->Show();
    {
        UpdateProgress progress(frame, [](UpdatePhase) {});
        progress.PhaseChanged(UpdatePhase::Copying);
        progress.Fraction("Copying files to Zephlark...", 0.5);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor("the task dialog", [&] {
            dialog = FindWindowW(nullptr, L"Updating Zephlark");
            return dialog != nullptr;
        }));
        wchar_t windowClass[32] = {};
        GetClassNameW(dialog, windowClass, 32);
        EXPECT_STREQ(windowClass, L"#32770") << "not the native dialog";

        SendMessageW(dialog, TDM_CLICK_BUTTON, IDCANCEL, 0);
        EXPECT_TRUE(progress.StopRequested());
        // A copy that is done is no end of the update: nothing may wait for the user here.
        progress.Fraction("Copying files to Zephlark...", 1);
        progress.Pulse("Ejecting Zephlark...");
        EXPECT_TRUE(progress.StopRequested());
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    frame->Destroy();
}

} // namespace
