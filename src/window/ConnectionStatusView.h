#pragma once

// The device status lamp in the main window's status box: green while the Zephlark's serial port
// is open, red while it is not, with a tooltip that says the same.

#include <wx/gdicmn.h>
#include <wx/string.h>

class wxDC;
class wxWindow;

namespace ZWX {
class ZLBox;
}

// The lamp's tooltip, which is also its accessible name.
wxString ConnectionStatusText(bool connected);

// The status box's draw function, for a lamp lit when connected. mainWindow converts the outline
// width from device-independent pixels.
void DrawConnectionStatus(wxWindow* mainWindow, ZWX::ZLBox* box, wxRect rect, bool connected);

// The lamp alone on any device context (nothing cleared): a rounded shape inset by penWidth
// pixels inside a rectangle of the given size, its corner radius half its height.
void DrawConnectionLamp(wxDC& dc, bool connected, const wxSize& size, int penWidth);
