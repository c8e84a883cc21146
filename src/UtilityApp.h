#pragma once

#include <wx/app.h>

class MainFrame;

class UtilityApp : public wxApp
{
public:
    bool OnInit() override;
    int OnExit() override;

private:
    void OnMainFrameDestroyed(wxWindowDestroyEvent& event);
    void OnCloseCommand(wxCommandEvent& event);
    static wxWindow* FindActiveTopLevelWindow();

    MainFrame* mainFrame = nullptr; // owned by the toolkit

    wxDECLARE_EVENT_TABLE();
};
