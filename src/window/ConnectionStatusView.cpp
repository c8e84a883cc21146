#include "window/ConnectionStatusView.h"

#include <wx/dcbuffer.h>
#include <wx/graphics.h>
#include <wx/intl.h>
#include <wx/tooltip.h>
#include <wx/window.h>

#include <memory>

#include "Colour.h"
#include "ZLBox.h"

namespace {

const wxColour kConnectedFill(0, 255, 0, 255);
const wxColour kDisconnectedFill(255, 0, 0, 255);

} // namespace

wxString ConnectionStatusText(bool connected)
{
    return connected ? _("Zephlark is connected") : _("Zephlark is disconnected");
}

void DrawConnectionStatus(wxWindow* mainWindow, ZWX::ZLBox* box, wxRect rect, bool connected)
{
    box->SetToolTip(new wxToolTip(ConnectionStatusText(connected)));
    const int penWidth = mainWindow->FromDIP(wxSize(1, 1)).GetWidth();

    wxAutoBufferedPaintDC dc(box);
    dc.Clear();
    DrawConnectionLamp(dc, connected, rect.GetSize(), penWidth);
}

void DrawConnectionLamp(wxDC& dc, bool connected, const wxSize& size, int penWidth)
{
    const wxColour& fill = connected ? kConnectedFill : kDisconnectedFill;
    const wxBrush brush(fill, wxBRUSHSTYLE_SOLID);
    const wxPen pen(ZWX::OutlineShade(fill), penWidth, wxPENSTYLE_SOLID);
    const int width = size.GetWidth() - 2 * penWidth;
    const int height = size.GetHeight() - 2 * penWidth;
    // Anti-aliased through a graphics context where the DC offers one; some DCs (an SVG or a
    // printer DC on some ports) do not, and then the DC draws the lamp itself.
    const std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::CreateFromUnknownDC(dc));
    if (!gc) {
        dc.SetBrush(brush);
        dc.SetPen(pen);
        dc.DrawRoundedRectangle(penWidth, penWidth, width, height, height * 0.5);
        return;
    }
    gc->SetBrush(brush);
    gc->SetPen(pen);
    gc->DrawRoundedRectangle(penWidth, penWidth, width, height, height * 0.5);
}
