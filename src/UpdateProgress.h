#pragma once

#include <wx/progdlg.h>

// The firmware update's progress dialog: only ever pulsed. Each new message also goes to the log,
// once, so that a copied log shows how far an update got.
class UpdateProgress
{
public:
    explicit UpdateProgress(wxWindow* parent);

    void Pulse(const wxString& message);

private:
    wxProgressDialog dialog;
    wxString lastMessage;
};
