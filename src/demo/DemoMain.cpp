// zephlark-utility-sim: the window on the built-in simulated device, with a "Simulate" menu to
// play with it.

#include <wx/frame.h>

#include "SimulateMenu.h"
#include "UtilityApp.h"

namespace {

class DemoApp : public UtilityApp
{
public:
    bool OnInit() override
    {
        if (!UtilityApp::OnInit())
            return false;
        if (auto* frame = wxDynamicCast(GetTopWindow(), wxFrame))
            AddSimulateMenu(*frame);
        return true;
    }
};

} // namespace

wxIMPLEMENT_APP(DemoApp);
