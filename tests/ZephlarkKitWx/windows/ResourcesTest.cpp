// What only the program's Win32 resources have: the icon that Explorer shows for the program
// file. The icon bundles are tested by tests/resources/WindowIconsTest.cpp. The manifest has no
// test: wine shows the native task dialog with or without it.
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

// Explorer shows the first icon group of the file: it must be the program's, not wx's own.
TEST(Resources, ProgramIconIsTheFirstIconGroup)
{
    std::string first;
    EnumResourceNamesA(nullptr, RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&first));

    EXPECT_EQ(first, "PROGRAM_ICON");
}

} // namespace
