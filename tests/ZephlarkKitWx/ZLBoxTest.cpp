#include "ZLBox.h"

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include "WaitFor.h"

namespace {

// Neither Tab nor a click gives the box the focus: it would hold it invisibly.
TEST(ZLBox, NeverTakesTheFocus)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "ZLBox", wxPoint(20, 20), wxSize(200, 120));
    auto* panel = new wxPanel(frame);
    auto* before = new wxButton(panel, wxID_ANY, "before");
    auto* box = new ZWX::ZLBox(panel, wxID_ANY, wxDefaultPosition, wxSize(40, 20));
    auto* after = new wxButton(panel, wxID_ANY, "after");
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    for (wxWindow* child : std::initializer_list<wxWindow*>{before, box, after})
        row->Add(child);
    panel->SetSizerAndFit(row);
    int clicks = 0;
    box->Bind(wxEVT_LEFT_UP, [&](wxMouseEvent& event) {
        ++clicks;
        event.Skip();
    });
    frame->Show();
    before->SetFocus();
    ASSERT_TRUE(
        WaitFor("the focus on \"before\"", [&] { return wxWindow::FindFocus() == before; }));
    wxUIActionSimulator user;

    user.Char(WXK_TAB);
    EXPECT_TRUE(WaitFor("the focus on \"after\"", [&] { return wxWindow::FindFocus() == after; }));

    user.MouseMove(box->GetScreenRect().GetPosition() + wxPoint(5, 5));
    user.MouseClick();
    EXPECT_TRUE(WaitFor("the click on the box", [&] { return clicks > 0; }));
    EXPECT_EQ(wxWindow::FindFocus(), after);
    frame->Destroy();
    EXPECT_TRUE(WaitFor("the frame to go", [] { return wxTopLevelWindows.empty(); }));
}

} // namespace
