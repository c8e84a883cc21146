#include "UtilityApp.h"

#include <wx/cmdline.h>
#include <wx/image.h>
#include <wx/log.h>

#include <iostream>

#include "window/AboutInfo.h"
#include "window/DesktopLanguage.h"
#include "MainFrame.h"
#include "RunLogFile.h"

bool UtilityApp::OnInit()
{
    if (!wxApp::OnInit())
        return false;
    if (helpOnly)
        return true;
    UseDesktopLanguage();
#if wxCHECK_VERSION(3, 3, 0)
    SetAppearance(Appearance::System);
#endif
    SetVendorName("Orvex");
    SetAppName("Zephlark Utility");
    SetAppDisplayName("Zephlark Utility");
    wxInitAllImageHandlers();
    Bind(wxEVT_MENU, &UtilityApp::OnCloseCommand, this, wxID_CLOSE);

    // Every record also reaches standard output, so a user can run the program from a terminal
    // and see what happened even before the window exists.
    std::cout.setf(std::ios::unitbuf);
    delete wxLog::SetActiveTarget(new wxLogStream(&std::cout, wxConvWhateverWorks));
    StartRunLog();
    wxLogMessage("%s", RunLogHeader());

    mainFrame = new MainFrame("Zephlark Utility");
    mainFrame->Bind(wxEVT_DESTROY, &UtilityApp::OnMainFrameDestroyed, this);
    mainFrame->Show();
    return true;
}

// The toolkit ends a run that showed its usage as a failed start (exit status 255); asking for
// help is no error.
bool UtilityApp::OnCmdLineHelp(wxCmdLineParser& parser)
{
    parser.Usage();
    helpOnly = true;
    return true;
}

int UtilityApp::OnRun()
{
    return helpOnly ? 0 : wxApp::OnRun();
}

int UtilityApp::OnExit()
{
    // wxApp::OnExit would delete the global config object, which this program never creates.
    // The window, whose log capture was chained in front of the file, is gone by now.
    delete runLogChain;
    return 0;
}

void UtilityApp::StartRunLog()
{
    const wxString folder = RunLogFolder();
    std::unique_ptr<RunLogFile> file =
        folder.empty() ? nullptr : RunLogFile::Start(folder, "zephlark-utility");
    if (!file) {
        wxLogMessage("This run keeps no log file.");
        return;
    }
    // From here on every record also goes to the file; the chain passes it on to standard output.
    runLogChain = new wxLogChain(file.release());
}

void UtilityApp::OnMainFrameDestroyed(wxWindowDestroyEvent& event)
{
    if (event.GetEventObject() == mainFrame)
        mainFrame = nullptr;
    event.Skip();
}

void UtilityApp::OnCloseCommand(wxCommandEvent&)
{
    if (wxWindow* window = FindActiveTopLevelWindow())
        window->Close(true);
}

wxWindow* UtilityApp::FindActiveTopLevelWindow()
{
    for (wxWindow* window : wxTopLevelWindows) {
        auto* topLevel = wxDynamicCast(window, wxTopLevelWindow);
        if (topLevel && topLevel->IsActive())
            return topLevel;
    }
    return nullptr;
}
