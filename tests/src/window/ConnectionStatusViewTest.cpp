#include "window/ConnectionStatusView.h"

#include <wx/dcmemory.h>
#include <wx/dcsvg.h>
#include <wx/ffile.h>
#include <wx/filename.h>

#include <gtest/gtest.h>

#include "ScreenPixels.h"

namespace {

const wxColour kBackground(0, 0, 255);
const wxColour kGreen(0, 255, 0);
const wxColour kRed(255, 0, 0);
constexpr int kOnePixel = 1;

// Pixels that the lamp's curved outline crosses are blends of the outline with the fill or the
// background. The ones read here lie almost wholly on the outline (the shape sits on the pixel
// grid: wx shifts a 1-pixel pen by half a pixel), so they stay within a few steps of its colour.
// Fill pixels and the straight edges of a pill are not blended and must match exactly.
constexpr int kAntiAliasTolerance = 8;

wxImage RenderLamp(bool connected, wxSize size)
{
    wxBitmap bitmap(size, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(wxBrush(kBackground));
        dc.Clear();
        DrawConnectionLamp(dc, connected, size, kOnePixel);
    }
    return bitmap.ConvertToImage();
}

// The shape does not depend on the state: each state's colours are read on one of the two shapes.
TEST(Lamp, SquareBoxGivesCircleWithOutline)
{
    const wxImage lamp = RenderLamp(true, wxSize(16, 16));

    EXPECT_EQ(PixelAt(lamp, 8, 8), kGreen);
    const wxColour outline(0, 188, 0);
    EXPECT_TRUE(IsNear(PixelAt(lamp, 8, 1), outline, kAntiAliasTolerance))
        << testing::PrintToString(PixelAt(lamp, 8, 1));
    EXPECT_EQ(PixelAt(lamp, 2, 2), kBackground);
}

TEST(Lamp, WideBoxGivesPillRoundedByItsHeight)
{
    const wxImage lamp = RenderLamp(false, wxSize(64, 32));

    EXPECT_EQ(PixelAt(lamp, 32, 16), kRed);
    const wxColour outline(254, 66, 66);
    EXPECT_EQ(PixelAt(lamp, 32, 1), outline);
    // Inside any smaller corner radius, outside the half-height one.
    EXPECT_EQ(PixelAt(lamp, 4, 4), kBackground);
}

TEST(Lamp, IsDrawnOnADcThatOffersNoGraphicsContext)
{
    const wxString path = wxFileName::CreateTempFileName("lamp");
    {
        wxSVGFileDC dc(path, 16, 16);
        DrawConnectionLamp(dc, true, wxSize(16, 16), kOnePixel);
    }
    wxString svg;
    EXPECT_TRUE(wxFFile(path).ReadAll(&svg));
    wxRemoveFile(path);
    EXPECT_TRUE(svg.Contains("#00FF00")) << svg;
}

} // namespace
