// The entry point of the test programs that make windows, icons or bitmaps: a wx application
// object and GoogleTest. A failed wx assertion would open a modal box that nobody closes under
// Xvfb or wine: it fails the running test instead.
#include <wx/app.h>
#include <wx/log.h>

#include <gtest/gtest.h>

namespace {

class TestApp : public wxApp
{
public:
    bool OnInit() override { return true; }
};

void FailTheTest(const wxString& file, int line, const wxString& function, const wxString& cond,
                 const wxString& message)
{
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wx assertion " << cond.utf8_string() << " failed in " << function.utf8_string() << ": "
        << message.utf8_string();
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(FailTheTest);
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
