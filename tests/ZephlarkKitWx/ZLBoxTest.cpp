#include "ZLBox.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include "ScreenPixels.h"
#include "WaitFor.h"

namespace {

const wxColour kClearedColour(20, 40, 200);
const wxColour kCustomColour(230, 120, 10);
const wxColour kDrawnColour(200, 10, 150);
const wxSize kBoxSize(40, 20);

class TestBox : public ZWX::ZLBox
{
public:
    using ZLBox::ZLBox;

    void OnPaint(wxPaintEvent& event) override
    {
        ++paints;
        ZLBox::OnPaint(event);
    }

    int paints = 0;
};

// Boxes in a row on a shown frame. What a box painted is read back from the X server.
class ZLBoxTest : public testing::Test
{
protected:
    void SetUp() override
    {
        frame = new wxFrame(nullptr, wxID_ANY, "ZLBox", wxPoint(20, 20), wxSize(200, 120));
        // A frame stretches a lone child over its client area; a panel leaves the box its size.
        panel = new wxPanel(frame);
        panel->SetSizer(new wxBoxSizer(wxHORIZONTAL));
    }

    void TearDown() override
    {
        frame->Destroy();
        EXPECT_TRUE(WaitFor("the frame to go", [] { return wxTopLevelWindows.empty(); }));
    }

    TestBox* AddBox(uint32_t mode, const wxColour& custom = wxNullColour)
    {
        auto* box = new TestBox(panel, mode, wxID_ANY, wxDefaultPosition, kBoxSize);
        box->customColour = custom;
        box->SetBackgroundColour(kClearedColour);
        panel->GetSizer()->Add(box);
        return box;
    }

    void ShowFrame()
    {
        panel->Layout();
        frame->Show();
    }

    static testing::AssertionResult ShowsOnly(wxWindow* box, const wxColour& colour)
    {
        return WaitFor("the box to show only one colour",
                       [&] { return IsFilledWith(CaptureClientArea(box), colour); });
    }

    wxFrame* frame = nullptr;
    wxPanel* panel = nullptr;
};

enum class Fill
{
    Cleared,
    System,
    Custom
};

struct FillCase
{
    const char* name;
    uint32_t mode;
    wxColour custom;
    Fill expected;
};

void PrintTo(const FillCase& c, std::ostream* os)
{
    *os << c.name;
}

class ZLBoxFillTest : public ZLBoxTest, public testing::WithParamInterface<FillCase>
{
};

TEST_P(ZLBoxFillTest, PaintsTheFillOfItsMode)
{
    const FillCase& c = GetParam();
    const wxColour system = wxSystemSettings::GetColour(wxSYS_COLOUR_SCROLLBAR);
    ASSERT_NE(system, kClearedColour);
    const wxColour expected = c.expected == Fill::Cleared  ? kClearedColour
                              : c.expected == Fill::System ? system
                                                           : kCustomColour;
    TestBox* box = AddBox(c.mode, c.custom);

    ShowFrame();

    EXPECT_TRUE(ShowsOnly(box, expected))
        << "centre shows " << testing::PrintToString(PixelAt(CaptureClientArea(box), 20, 10))
        << ", expected " << testing::PrintToString(expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ZLBoxFillTest,
    testing::Values(FillCase{"SystemColour", 0, kCustomColour, Fill::System},
                    FillCase{"NoFill", 1, kCustomColour, Fill::Cleared},
                    FillCase{"CustomColour", 2, kCustomColour, Fill::Custom},
                    FillCase{"InvalidCustomColour", 2, wxNullColour, Fill::Cleared}),
    [](const testing::TestParamInfo<FillCase>& info) { return std::string(info.param.name); });

TEST_F(ZLBoxTest, DrawFunctionReplacesTheOwnFill)
{
    TestBox* box = AddBox(2, kCustomColour);
    ZWX::ZLBox* drawnBox = nullptr;
    wxRect drawnRect;
    box->drawFunction = [&](ZWX::ZLBox* b, wxRect rect) {
        drawnBox = b;
        drawnRect = rect;
        wxPaintDC dc(b);
        dc.SetBackground(wxBrush(kDrawnColour));
        dc.Clear();
    };

    ShowFrame();

    EXPECT_TRUE(ShowsOnly(box, kDrawnColour));
    EXPECT_EQ(drawnBox, box);
    EXPECT_EQ(drawnRect, wxRect(wxPoint(0, 0), kBoxSize));
}

TEST_F(ZLBoxTest, SystemColourChangeRepaints)
{
    TestBox* box = AddBox(0);
    ShowFrame();
    ASSERT_TRUE(WaitFor("the first paint", [box] { return box->paints > 0; }));
    const int paintsBefore = box->paints;

    wxSysColourChangedEvent event;
    box->ProcessWindowEvent(event);

    EXPECT_TRUE(WaitFor("a repaint", [&] { return box->paints > paintsBefore; }));
}

TEST_F(ZLBoxTest, NeverTakesTheFocus)
{
    auto* before = new wxButton(panel, wxID_ANY, "before");
    panel->GetSizer()->Add(before);
    TestBox* box = AddBox(1);
    auto* after = new wxButton(panel, wxID_ANY, "after");
    panel->GetSizer()->Add(after);
    int clicks = 0;
    box->Bind(wxEVT_LEFT_UP, [&](wxMouseEvent& event) {
        ++clicks;
        event.Skip();
    });
    ShowFrame();
    before->SetFocus();
    ASSERT_TRUE(
        WaitFor("the focus on \"before\"", [&] { return wxWindow::FindFocus() == before; }));
    wxUIActionSimulator user;

    user.Char(WXK_TAB);
    EXPECT_TRUE(WaitFor("the focus on \"after\"", [&] { return wxWindow::FindFocus() == after; }));

    user.MouseMove(box->GetScreenRect().GetPosition() + wxPoint(5, 5));
    user.MouseClick();
    ASSERT_TRUE(WaitFor("the click on the box", [&] { return clicks > 0; }));
    EXPECT_EQ(wxWindow::FindFocus(), after);
}

} // namespace
