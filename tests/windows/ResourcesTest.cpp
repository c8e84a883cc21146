// The program's Win32 resources: the icon bundles as LoadIconBundle gives them, the icon that
// Explorer shows for the program file, and the manifest.
#include "WindowIcons.h"

#include <wx/bitmap.h>
#include <wx/image.h>

#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "LogCapture.h"

namespace {

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR first)
{
    // A numbered resource comes as its number in the pointer's low word.
    if (reinterpret_cast<ULONG_PTR>(name) >> 16 != 0)
        *reinterpret_cast<std::wstring*>(first) = name;
    return FALSE; // the first one is all we want
}

std::string ManifestText()
{
    const HRSRC resource = FindResourceW(nullptr, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    if (!resource)
        return {};
    const auto* text = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
    return std::string(text, SizeofResource(nullptr, resource));
}

class IconBundle : public testing::TestWithParam<const char*>
{
};

TEST_P(IconBundle, HasEverySizeIn32BitsWithTransparentCorners)
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
        EXPECT_EQ(image.GetAlpha(0, 0), 0);
        EXPECT_EQ(image.GetAlpha(size / 2, size / 2), 255);
    }
}

INSTANTIATE_TEST_SUITE_P(Bundles, IconBundle, testing::Values("window_icon", "program_icon"));

TEST(Resources, UnknownBundleIsEmptyAndLogged)
{
    LogCapture log;

    EXPECT_TRUE(LoadIconBundle("no_such_icon").IsEmpty());
    EXPECT_TRUE(log.Contains("Icon bundle \"no_such_icon\" is not among the program's resources."));
}

// Explorer shows the first icon group of the file: it must be the program's, not wx's own.
TEST(Resources, ProgramIconIsTheFirstIconGroup)
{
    std::wstring first;
    EnumResourceNamesW(nullptr, RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&first));

    EXPECT_EQ(first, L"PROGRAM_ICON");
}

TEST(Resources, ManifestAsksForPerMonitorDpiAndCommonControls6)
{
    const std::string manifest = ManifestText();

    EXPECT_NE(manifest.find("<dpiAwareness"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
}

} // namespace
