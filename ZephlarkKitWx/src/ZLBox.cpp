#include "ZLBox.h"

#include <wx/dcbuffer.h>
#include <wx/graphics.h>
#include <wx/settings.h>

#include <memory>

namespace ZWX {

ZLBox::ZLBox(wxWindow* parent, uint32_t backgroundMode, wxWindowID id, const wxPoint& pos,
             const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE, wxDefaultValidator, "box"),
      backgroundMode(backgroundMode)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_SYS_COLOUR_CHANGED, &ZLBox::OnSysColourChanged, this);
}

void ZLBox::OnPaint(wxPaintEvent&)
{
    const wxRect rect = GetClientRect();
    if (drawFunction) {
        drawFunction(this, rect);
        return;
    }
    wxBufferedPaintDC dc(this, wxBUFFER_CLIENT_AREA);
    PaintBackground(dc, rect);
}

wxSize ZLBox::DoGetBestClientSize() const
{
    return wxSize(GetClientSize().GetWidth(), 1);
}

void ZLBox::OnSysColourChanged(wxSysColourChangedEvent& event)
{
    // Mode 0 follows the system colours.
    Refresh(true);
    event.Skip();
}

void ZLBox::OnFocus(wxFocusEvent& event)
{
    event.Skip();
}

wxColour ZLBox::BackgroundFill() const
{
    switch (backgroundMode) {
    case kNoBackground:
        return wxNullColour;
    case kCustomBackground:
        return customColour;
    default:
        return wxSystemSettings::GetColour(wxSYS_COLOUR_SCROLLBAR);
    }
}

void ZLBox::PaintBackground(wxDC& dc, const wxRect& rect) const
{
    dc.Clear();
    const wxColour fill = BackgroundFill();
    if (!fill.IsOk())
        return;
    // A graphics context so that a translucent fill blends with the cleared background.
    const std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::CreateFromUnknownDC(dc));
    if (!gc)
        return; // the cleared background stands in for the fill
    gc->SetBrush(wxBrush(fill, wxBRUSHSTYLE_SOLID));
    gc->DrawRectangle(0.0, 0.0, rect.GetWidth(), rect.GetHeight());
}

wxBEGIN_EVENT_TABLE(ZLBox, wxControl)
    // Through a pointer to a virtual member: a derived box's OnPaint receives the paint events.
    EVT_PAINT(ZLBox::OnPaint)
    EVT_SET_FOCUS(ZLBox::OnFocus)
    EVT_KILL_FOCUS(ZLBox::OnFocus)
wxEND_EVENT_TABLE()

} // namespace ZWX
