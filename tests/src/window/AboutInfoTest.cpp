#include <gtest/gtest.h>

#include <sys/utsname.h>

#include "window/AboutInfo.h"
#include "BuildVersion.h"

namespace {

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
