#pragma once

#include <wx/app.h>

class MainFrame;
class wxLogChain;

class UtilityApp : public wxApp
{
public:
    bool OnInit() override;
    int OnExit() override;

private:
    void OnMainFrameDestroyed(wxWindowDestroyEvent& event);
    void OnCloseCommand(wxCommandEvent& event);
    static wxWindow* FindActiveTopLevelWindow();
    void StartRunLog();

    MainFrame* mainFrame = nullptr;    // owned by the toolkit
    wxLogChain* runLogChain = nullptr; // writes this run's log file; null without one
};
