#include <wx/app.h>
#include <wx/log.h>

#include <gtest/gtest.h>

namespace {

class TestApp : public wxApp
{
public:
    bool OnInit() override { return true; }
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 2;
    // The GUI default target would show messages left at exit in a modal box, hanging the run.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
