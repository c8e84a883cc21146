#include "window/DeviceAccessBar.h"

#include <wx/clipbrd.h>
#include <wx/intl.h>
#include <wx/textwrapper.h>
#include <wx/utils.h>

namespace {

constexpr int kMessageWidthDip = 360;

// The checks' texts are long: wrapped, they keep the window from growing as wide as they are.
class WrappedText : public wxTextWrapper
{
public:
    wxString text;

protected:
    void OnOutputLine(const wxString& line) override { text += line; }
    void OnNewLine() override { text += '\n'; }
};

} // namespace

DeviceAccessBar::DeviceAccessBar(wxWindow* parent) : wxInfoBar(parent)
{
    AddButton(kCopyFixId, _("Copy Fix"));
    Bind(wxEVT_BUTTON, &DeviceAccessBar::OnCopyFix, this, kCopyFixId);
}

void DeviceAccessBar::ShowProblems(const std::vector<DeviceAccessCheck>& checks)
{
    wxString message;
    fix.clear();
    for (const DeviceAccessCheck& check : checks) {
        if (check.ok)
            continue;
        message << (message.empty() ? "" : "\n") << check.text << "\n"
                << wxString::Format(_("Fix: %s"), check.fix);
        fix << (fix.empty() ? "" : "\n") << check.fix;
    }
    shownMessage = message;
    if (message.empty()) {
        Dismiss();
        return;
    }
    WrappedText wrapped;
    wrapped.Wrap(this, message, FromDIP(kMessageWidthDip));
    ShowMessage(wrapped.text, wxICON_WARNING);
}

// Handled here, so the bar stays: the user pastes the fix and the bar goes once the port opens.
void DeviceAccessBar::OnCopyFix(wxCommandEvent&)
{
    wxClipboardLocker locker;
    if (!locker || fix.empty()) {
        wxBell();
        return;
    }
    wxTheClipboard->SetData(new wxTextDataObject(fix));
    wxTheClipboard->Flush();
}
