#pragma once

#include <wx/colour.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/window.h>

#include <ostream>

// What the X server shows of a window's client area: the real result of its paint, buffering
// and all.
inline wxImage CaptureClientArea(wxWindow* window)
{
    // From the window itself: a wxScreenDC source on GTK 3 keeps returning its first picture.
    const wxSize size = window->GetClientSize();
    wxBitmap bitmap(size, 24);
    {
        wxClientDC client(window);
        wxMemoryDC memory(bitmap);
        memory.Blit(0, 0, size.GetWidth(), size.GetHeight(), &client, 0, 0);
    }
    return bitmap.ConvertToImage();
}

inline wxColour PixelAt(const wxImage& image, int x, int y)
{
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

// So that failed comparisons print the channels.
inline void PrintTo(const wxColour& colour, std::ostream* os)
{
    *os << "(" << int(colour.Red()) << ", " << int(colour.Green()) << ", " << int(colour.Blue())
        << ", " << int(colour.Alpha()) << ")";
}
