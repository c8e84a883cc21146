#include "UpdateProgress.h"

namespace {

constexpr int kProgressRange = 100;
// The first message is padded so that the dialog is created wide enough for the later ones.
constexpr int kFirstMessagePadding = 70;

} // namespace

UpdateProgress::UpdateProgress(wxWindow* parent)
    : dialog(_("Updating Zephlark"),
             _("Updating firmware...") + wxString(' ', kFirstMessagePadding), kProgressRange,
             parent, wxPD_AUTO_HIDE | wxPD_SMOOTH)
{
    // With the default style every repaint of the animated bar also sent the dialog an erase event,
    // whose drawing context looked up the theme's font and colours each time: most of the
    // program's work while it waited. The theme draws this dialog's background anyway.
    dialog.SetBackgroundStyle(wxBG_STYLE_SYSTEM);
}

void UpdateProgress::Pulse(const wxString& message)
{
    dialog.Pulse(message);
}

void UpdateProgress::Fraction(const wxString& message, double done)
{
    dialog.Update(static_cast<int>(done * kProgressRange), message);
}
