#pragma once

// The main window over the simulated devices, plugged in, the first identified, on virtual time.

#include <wx/app.h>
#include <wx/progdlg.h>
#include <wx/toplevel.h>

#include "MainFrame.h"
#include "UpdateFlowFixture.h"
#include "deviceconnection.h"

class UpgradeWindow : public SimUpdateTest
{
protected:
    explicit UpgradeWindow(size_t devices = 1) : SimUpdateTest(devices)
    {
        for (size_t device = 1; device < devices; ++device)
            sim::Plug(device);
        frame = new MainFrame("Zephlark Utility");
        frame->Show();
        EXPECT_TRUE(WaitFor("the device to be identified",
                            [this] { return frame->deviceConnection->IsDeviceIdentified(); }));
    }
    ~UpgradeWindow() override
    {
        frame->Close(true);
        WaitFor("the window to go", [] { return wxTopLevelWindows.empty(); });
    }

    // The update's progress window while it is on screen, else null.
    static wxProgressDialog* ProgressWindow()
    {
        for (wxWindow* window : wxTopLevelWindows)
            if (auto* progress = dynamic_cast<wxProgressDialog*>(window);
                progress && progress->IsShown())
                return progress;
        return nullptr;
    }

    MainFrame* frame = nullptr;
};
