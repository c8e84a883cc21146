#pragma once

#include <wx/app.h>

class MainFrame;
class wxLogChain;

class UtilityApp : public wxApp
{
public:
    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;
    bool OnCmdLineHelp(wxCmdLineParser& parser) override;

private:
    void OnMainFrameDestroyed(wxWindowDestroyEvent& event);
    void OnCloseCommand(wxCommandEvent& event);
    static wxWindow* FindActiveTopLevelWindow();
    void StartRunLog();

    MainFrame* mainFrame = nullptr;    // owned by the toolkit
    wxLogChain* runLogChain = nullptr; // writes this run's log file; null without one
    bool helpOnly = false;             // --help: the usage is shown, nothing else runs
};
