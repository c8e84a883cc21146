#pragma once

#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <memory>
#include <utility>

// Answers a message box with the given id and records its caption, which tells the boxes apart.
class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox>
{
public:
    ExpectMessageBox(int answer, std::shared_ptr<wxString> caption)
        : answer(answer), caption(std::move(caption))
    {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        *caption = dialog->GetTitle();
        return answer;
    }

private:
    int answer;
    std::shared_ptr<wxString> caption;
};
