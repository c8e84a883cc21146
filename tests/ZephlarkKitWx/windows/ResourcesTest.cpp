// What only the program's Win32 resources have: the icon that Explorer shows for the program
// file, and the manifest. The icon bundles are tested by tests/resources/WindowIconsTest.cpp.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace {

BOOL CALLBACK TakeFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR first)
{
    // A numbered resource comes as its number in the pointer's low word.
    if (reinterpret_cast<ULONG_PTR>(name) >> 16 != 0)
        *reinterpret_cast<std::string*>(first) = name;
    return FALSE; // the first one is all we want
}

std::string ManifestText()
{
    const HRSRC resource = FindResourceA(nullptr, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    if (!resource)
        return {};
    const auto* text = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
    return std::string(text, SizeofResource(nullptr, resource));
}

// Explorer shows the first icon group of the file: it must be the program's, not wx's own.
TEST(Resources, ProgramIconIsTheFirstIconGroup)
{
    std::string first;
    EnumResourceNamesA(nullptr, RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&first));

    EXPECT_EQ(first, "PROGRAM_ICON");
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
