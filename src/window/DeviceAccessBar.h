#pragma once

// The info bar over the window's buttons that explains a Zephlark port that cannot be opened: what
// the device access checks found wrong with it, what fixes it, and a button that copies the fix.

#include <wx/infobar.h>

#include <vector>

#include "DeviceAccessChecks.h"

class DeviceAccessBar : public wxInfoBar
{
public:
    static constexpr int kCopyFixId = 6101;

    explicit DeviceAccessBar(wxWindow* parent);

    // Shows the failed checks (CheckPortAccess) with their fixes; hides the bar when none failed.
    void ShowProblems(const std::vector<DeviceAccessCheck>& checks);
    const wxString& GetShownMessage() const { return shownMessage; }

private:
    void OnCopyFix(wxCommandEvent& event);

    wxString shownMessage;
    wxString fix; // what the button copies: the fixes of the problems shown, one per line
};
