#include "ScreenPixels.h"

#include <wx/dcmemory.h>
#include <wx/dcclient.h>
#include <wx/window.h>

#include <cstdlib>

wxImage CaptureClientArea(wxWindow* window)
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

wxColour PixelAt(const wxImage& image, int x, int y)
{
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

bool IsNear(const wxColour& actual, const wxColour& expected, int tolerance)
{
    return std::abs(actual.Red() - expected.Red()) <= tolerance &&
           std::abs(actual.Green() - expected.Green()) <= tolerance &&
           std::abs(actual.Blue() - expected.Blue()) <= tolerance;
}

void PrintTo(const wxColour& colour, std::ostream* os)
{
    *os << "(" << int(colour.Red()) << ", " << int(colour.Green()) << ", " << int(colour.Blue())
        << ", " << int(colour.Alpha()) << ")";
}
