#include <gtest/gtest.h>

#include <regex>

#include <sys/utsname.h>

#include "window/AboutInfo.h"
#include "BuildVersion.h"

namespace {

TEST(AboutInfo, VersionIsTheBuildNumberAndLongVersionTheFullRelease)
{
    const wxAboutDialogInfo info = MakeAboutInfo(2031);
    EXPECT_EQ(info.GetName(), "Zephlark Utility");
    const std::string version = info.GetVersion().ToStdString();
    EXPECT_TRUE(std::regex_match(version, std::regex("[0-9]+"))) << version;
    const std::string longVersion = info.GetLongVersion().ToStdString();
    EXPECT_TRUE(
        std::regex_match(longVersion, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+-[^.]+\\." + version)))
        << longVersion;
}

// What a supporter reads first: the program's version and the system, down to its kernel.
TEST(AboutInfo, RunLogHeaderNamesTheVersionAndTheSystem)
{
    utsname system{};
    ASSERT_EQ(uname(&system), 0);
    const wxString header = RunLogHeader();
    EXPECT_TRUE(header.StartsWith("Zephlark Utility " ZEPHLARK_LONG_VERSION " on ")) << header;
    EXPECT_TRUE(header.EndsWith(wxString::Format(" %s, %s", system.release, system.machine)))
        << header;
}

} // namespace
