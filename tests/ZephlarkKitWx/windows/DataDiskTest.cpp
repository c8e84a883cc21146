#include "DataDisk.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "LogCapture.h"
#include "PrintWxString.h"

namespace {

// A drive letter that names no drive here, from the end of the alphabet where wine maps none.
wxString MissingDriveRoot()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'D'; --letter) {
        if (!(drives & (1u << (letter - 'A'))))
            return wxString::Format("%c:\\", letter);
    }
    return {};
}

// The volume went with its device: the caller refreshes as after an eject.
TEST(WindowsDataDisk, EjectOfAMissingDriveIsLoggedAndCountsAsDone)
{
    const wxString root = MissingDriveRoot();
    ASSERT_FALSE(root.empty());
    LogCapture log;

    EXPECT_TRUE(ZephlarkEjectDisk(root));
    EXPECT_EQ(log.Messages(),
              std::vector<wxString>{"Failed to open device for for eject: \\\\.\\" + root.Left(2)});
}

} // namespace
