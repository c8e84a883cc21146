// The window's icon bundles as LoadIconBundle gives them, on Linux (embedded PNGs) and on Windows
// (icon groups of the resources): the Windows tests compile this file too.
#include "WindowIcons.h"

#include <wx/bitmap.h>
#include <wx/image.h>

#include <gtest/gtest.h>

namespace {

class WindowIconsTest : public testing::TestWithParam<const char*>
{
};

TEST_P(WindowIconsTest, BundleHasEverySizeIn32BitsWithTransparentCorners)
{
    const wxIconBundle bundle = LoadIconBundle(GetParam());

    ASSERT_EQ(bundle.GetIconCount(), 4u);
    for (const int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        const wxIcon icon = bundle.GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NONE);
        ASSERT_TRUE(icon.IsOk());
        // wxMSW keeps no depth for an icon made from a resource: its bitmap reads the pixels.
        const wxBitmap bitmap(icon);
        EXPECT_EQ(bitmap.GetDepth(), 32);
        const wxImage image = bitmap.ConvertToImage();
        ASSERT_TRUE(image.HasAlpha());
        // A handheld with rounded corners on a transparent ground.
        EXPECT_EQ(image.GetAlpha(0, 0), 0);
        EXPECT_EQ(image.GetAlpha(size / 2, size / 2), 255);
    }
}

INSTANTIATE_TEST_SUITE_P(Bundles, WindowIconsTest, testing::Values("window_icon", "program_icon"));

} // namespace
