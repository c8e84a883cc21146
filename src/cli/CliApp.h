#pragma once

#include <wx/app.h>

// zephlark-cli: a console application on wxBase. It runs its one command in OnRun, on the main
// thread, which serves as the device link's "GUI thread": the waits handle the queued events.
class CliApp : public wxAppConsole
{
public:
    bool OnInit() override;
    int OnRun() override;
};

wxDECLARE_APP(CliApp);
