#pragma once

#include <wx/progdlg.h>

#include <functional>

#include "update/FirmwareUpdateProgress.h"

// The firmware update's progress window, from the first check to the result: pulsed while the
// update waits, filled while it copies, and a Cancel button that asks the update to stop. After
// Cancel the window stays up, saying what the stop does, until the update has reached a point
// where the device is safe and returned.
class UpdateProgress : public FirmwareUpdateProgress
{
public:
    // phaseEntered hears of each phase the update enters.
    UpdateProgress(wxWindow* parent, std::function<void(UpdatePhase)> phaseEntered);

    void PhaseChanged(UpdatePhase next) override;
    void Pulse(const wxString& message) override;
    void Fraction(const wxString& message, double done) override;
    bool StopRequested() const override;

private:
    // Runs show, which gives the dialog's answer: false once Cancel was pressed. The dialog then
    // takes its run up again and shows it once more, now with what the stop does.
    void Display(const std::function<bool()>& show);
    // What a stop asked for now does, broken into lines that fit the dialog.
    void NoteWhatTheStopDoes();
    // True for the toolkit's generic dialog, which neither wraps its message nor grows with it.
    bool MessageNeedsWrapping() const;
    // message, and below it what the stop does once one was asked for.
    wxString WithStopNote(const wxString& message) const;

    wxProgressDialog dialog;
    std::function<void(UpdatePhase)> phaseEntered;
    UpdatePhase phase = UpdatePhase::Checking;
    bool stopRequested = false;
    wxString stopNote; // empty until a stop was asked for
};
