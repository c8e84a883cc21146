#pragma once

#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <memory>

// What a message box showed, for the test to look at after wxTEST_DIALOG.
struct SeenMessageBox
{
    wxString caption;
    wxString message;
    long style = 0;
    wxString yesLabel;
    wxString noLabel;
};

// Answers a message box with the given id and records what it showed.
class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox>
{
public:
    ExpectMessageBox(int answer, std::shared_ptr<SeenMessageBox> seen)
        : answer(answer), seen(std::move(seen))
    {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        seen->caption = dialog->GetTitle();
        seen->message = dialog->GetMessage();
        seen->style = dialog->GetMessageDialogStyle();
        seen->yesLabel = dialog->GetYesLabel();
        seen->noLabel = dialog->GetNoLabel();
        return answer;
    }

private:
    int answer;
    std::shared_ptr<SeenMessageBox> seen;
};
