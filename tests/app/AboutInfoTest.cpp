#include <gtest/gtest.h>

#include <regex>

#include "AboutInfo.h"
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

} // namespace
