#pragma once

#include <wx/control.h>

#include <functional>

namespace ZWX {

// A borderless control that hands every paint to its owner's draw function; without one it shows
// its cleared background. It never takes the keyboard focus.
class ZLBox : public wxControl
{
public:
    // Called on every paint with the box and its client rectangle; it must create the paint
    // device context itself. The pointer is only valid during the call.
    using DrawFunction = std::function<void(ZLBox*, wxRect)>;

    ZLBox(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
          const wxSize& size = wxDefaultSize);

    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

    DrawFunction drawFunction;

protected:
    // As wide as the box already is, and as low as possible: the box only fills what its sizer
    // gives it.
    wxSize DoGetBestClientSize() const override;

private:
    void OnPaint(wxPaintEvent& event);
};

} // namespace ZWX
