#include "ZLBox.h"

#include <wx/dcbuffer.h>

namespace ZWX {

ZLBox::ZLBox(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE, wxDefaultValidator, "box")
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &ZLBox::OnPaint, this);
}

void ZLBox::OnPaint(wxPaintEvent&)
{
    if (drawFunction) {
        drawFunction(this, GetClientRect());
        return;
    }
    wxBufferedPaintDC dc(this, wxBUFFER_CLIENT_AREA);
    dc.Clear();
}

wxSize ZLBox::DoGetBestClientSize() const
{
    return wxSize(GetClientSize().GetWidth(), 1);
}

} // namespace ZWX
