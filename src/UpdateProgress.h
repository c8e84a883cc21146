#pragma once

#include <wx/progdlg.h>

#include "FirmwareUpdateProgress.h"

// The firmware update's progress dialog: pulsed while the update waits, filled while it copies.
class UpdateProgress : public FirmwareUpdateProgress
{
public:
    explicit UpdateProgress(wxWindow* parent);

    void Pulse(const wxString& message) override;
    void Fraction(const wxString& message, double done) override;

private:
    wxProgressDialog dialog;
};
