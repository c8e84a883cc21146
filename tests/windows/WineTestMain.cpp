// The entry point of the Windows test programs: a wx application object (so that icons, bitmaps
// and windows work) and GoogleTest. On Windows a failed wx assertion opens a modal box that nobody
// under wine would ever close: it fails the running test instead.
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
    // The GUI default target would show messages left at exit in a modal box.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
