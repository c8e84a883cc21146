#include "window/UpdateProgress.h"

#include <wx/textwrapper.h>

#include <algorithm>
#include <utility>

namespace {

constexpr int kProgressRange = 100;
// The toolkit's dialog takes its maximum for the end of the run: without wxPD_AUTO_HIDE it turns
// into a finished dialog that waits for the user to close it (a modal loop, on every platform),
// with it it hides and enables the main window again. A copy that is done is not the end of an
// update, so the bar stops one short of full.
constexpr int kHighestCopyValue = kProgressRange - 1;
// The first message is padded so that the dialog is created wide enough for the later ones.
constexpr int kFirstMessagePadding = 70;

wxString FirstMessage()
{
    return _("Updating firmware...") + wxString(' ', kFirstMessagePadding);
}

// Text broken at word boundaries into lines no wider than the given width in a window's font.
class LineBreaker : public wxTextWrapper
{
public:
    wxString Broken(wxWindow* window, const wxString& text, int width)
    {
        Wrap(window, text, width);
        return lines;
    }

protected:
    void OnOutputLine(const wxString& line) override { lines += line; }
    void OnNewLine() override { lines += '\n'; }

private:
    wxString lines;
};

} // namespace

UpdateProgress::UpdateProgress(wxWindow* parent, std::function<void(UpdatePhase)> phaseEntered)
    : dialog(_("Updating Zephlark"), FirstMessage(), kProgressRange, parent,
             wxPD_CAN_ABORT | wxPD_SMOOTH),
      phaseEntered(std::move(phaseEntered))
{
    // With the default style every repaint of the animated bar also sent the dialog an erase event,
    // whose drawing context looked up the theme's font and colours each time: most of the
    // program's work while it waited. The theme draws this dialog's background anyway.
    dialog.SetBackgroundStyle(wxBG_STYLE_SYSTEM);
}

void UpdateProgress::PhaseChanged(UpdatePhase next)
{
    phase = next;
    if (stopRequested)
        NoteWhatTheStopDoes();
    phaseEntered(next);
}

void UpdateProgress::Pulse(const wxString& message)
{
    Display([&] { return dialog.Pulse(WithStopNote(message)); });
}

void UpdateProgress::Fraction(const wxString& message, double done)
{
    const int value = std::clamp(static_cast<int>(done * kProgressRange), 0, kHighestCopyValue);
    Display([&] { return dialog.Update(value, WithStopNote(message)); });
}

bool UpdateProgress::StopRequested() const
{
    // Cancel may have been pressed since the dialog last answered.
    return stopRequested || dialog.WasCancelled();
}

void UpdateProgress::Display(const std::function<bool()>& show)
{
    if (show())
        return;
    // The dialog would stop showing anything from here on, while the update goes on to a point
    // where the device is safe, which can take minutes: the run is taken up again, with the note.
    stopRequested = true;
    NoteWhatTheStopDoes();
    dialog.Resume();
    show();
    if (MessageNeedsWrapping())
        dialog.Fit(); // the note's lines make the message taller than the dialog was made for
}

void UpdateProgress::NoteWhatTheStopDoes()
{
    stopNote = WhatAStopDoes(phase);
    // As wide as the first message, so that the dialog grows downwards, not across the screen.
    if (MessageNeedsWrapping())
        stopNote = LineBreaker().Broken(&dialog, stopNote, dialog.GetTextExtent(FirstMessage()).x);
}

bool UpdateProgress::MessageNeedsWrapping() const
{
    // The toolkit's generic dialog sizes itself once, to its first message, with a sizer. The
    // native one of Windows (a task dialog) has no sizer, nor a window of the toolkit to measure
    // text in: it wraps and sizes its text itself.
    return dialog.GetSizer() != nullptr;
}

wxString UpdateProgress::WithStopNote(const wxString& message) const
{
    return stopNote.empty() ? message : message + "\n\n" + stopNote;
}
