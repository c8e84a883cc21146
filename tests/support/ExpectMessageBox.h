#pragma once

#include <wx/msgdlg.h>
#include <wx/testing.h>

#include <memory>
#include <utility>

// Answers a message box with the given id and records its caption, which tells the boxes apart,
// and its text when asked.
class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox>
{
public:
    ExpectMessageBox(int answer, std::shared_ptr<wxString> caption,
                     std::shared_ptr<wxString> text = nullptr)
        : answer(answer), caption(std::move(caption)), text(std::move(text))
    {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        *caption = dialog->GetTitle();
        if (text)
            *text = dialog->GetMessage();
        return answer;
    }

private:
    int answer;
    std::shared_ptr<wxString> caption;
    std::shared_ptr<wxString> text;
};
