#pragma once

#include <wx/control.h>

#include <cstdint>
#include <functional>

namespace ZWX {

// A borderless, double-buffered control that paints itself: either its owner's draw function or,
// without one, a plain fill chosen by backgroundMode. It never takes the keyboard focus.
class ZLBox : public wxControl
{
public:
    // Called on every paint with the box and its client rectangle; it must create the paint
    // device context itself. The pointer is only valid during the call.
    using DrawFunction = std::function<void(ZLBox*, wxRect)>;

    enum BackgroundMode : uint32_t
    {
        kSystemBackground = 0, // wxSYS_COLOUR_SCROLLBAR, read on every paint; also any unknown mode
        kNoBackground = 1,
        kCustomBackground = 2, // customColour, when valid
    };

    ZLBox(wxWindow* parent, uint32_t backgroundMode, wxWindowID id = wxID_ANY,
          const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);

    bool AcceptsFocus() const override { return acceptsFocus; }
    bool AcceptsFocusFromKeyboard() const override { return acceptsFocus; }

    virtual void OnPaint(wxPaintEvent& event);

    DrawFunction drawFunction;
    wxColour customColour;
    uint32_t backgroundMode;
    bool acceptsFocus = false;

protected:
    // As wide as the box already is, and as low as possible: the box only fills what its sizer
    // gives it.
    wxSize DoGetBestClientSize() const override;

private:
    void OnSysColourChanged(wxSysColourChangedEvent& event);
    void OnFocus(wxFocusEvent& event);
    wxColour BackgroundFill() const;
    void PaintBackground(wxDC& dc, const wxRect& rect) const;

    wxDECLARE_EVENT_TABLE();
};

} // namespace ZWX
