#pragma once

#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <memory>
#include <utility>

// What a message box showed: its caption, which tells the boxes apart, its text and its style
// (the buttons and the icon).
struct ShownMessageBox
{
    wxString caption;
    wxString text;
    long style = 0;
};

// Answers a message box with the given id and records what it showed.
class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox>
{
public:
    ExpectMessageBox(int answer, std::shared_ptr<ShownMessageBox> shown)
        : answer(answer), shown(std::move(shown))
    {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        *shown = {dialog->GetTitle(), dialog->GetMessage(), dialog->GetMessageDialogStyle()};
        return answer;
    }

private:
    int answer;
    std::shared_ptr<ShownMessageBox> shown;
};
