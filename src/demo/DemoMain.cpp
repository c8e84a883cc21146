// zephlark-utility-sim: the window on the built-in simulated device, with a "Simulate" menu to
// play with it. ZEPHLARK_SIM_BUSY=1 starts it with the port held by another program, as
// zephlark-cli-sim has it, so that the device line and the info bar say so.

#include <wx/frame.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "demo/SimulateMenu.h"
#include "UtilityApp.h"
#include "sim/SimPlatform.h"

// Not in the anonymous namespace: wxIMPLEMENT_APP defines wxGetApp() returning this class, which
// clang reports as an unused function when the class has internal linkage.
class DemoApp : public UtilityApp
{
public:
    bool OnInit() override
    {
        const char* busy = std::getenv("ZEPHLARK_SIM_BUSY");
        if (busy && std::strcmp(busy, "1") == 0)
            sim::FailNextOpens(INT_MAX);
        if (!UtilityApp::OnInit())
            return false;
        if (auto* frame = wxDynamicCast(GetTopWindow(), wxFrame))
            AddSimulateMenu(*frame);
        return true;
    }
};

wxIMPLEMENT_APP(DemoApp);
