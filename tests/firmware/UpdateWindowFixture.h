#pragma once

// The main window over the simulated device, plugged in and identified, on virtual time.

#include <wx/app.h>
#include <wx/toplevel.h>

#include "MainFrame.h"
#include "UpdateFlowFixture.h"
#include "deviceconnection.h"

class UpgradeWindow : public SimUpdateTest
{
protected:
    UpgradeWindow()
    {
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

    MainFrame* frame = nullptr;
};
