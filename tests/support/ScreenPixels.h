#pragma once

#include <wx/colour.h>
#include <wx/image.h>

#include <ostream>

class wxWindow;

// What the X server shows of a window's client area: the real result of its paint, buffering
// and all.
wxImage CaptureClientArea(wxWindow* window);

wxColour PixelAt(const wxImage& image, int x, int y);

// Each channel within tolerance: for pixels that anti-aliasing may touch.
bool IsNear(const wxColour& actual, const wxColour& expected, int tolerance);

// So that failed comparisons print the channels.
void PrintTo(const wxColour& colour, std::ostream* os);
