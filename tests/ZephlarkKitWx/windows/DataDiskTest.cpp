// The data disk's Win32 calls: the checked copy's file calls (write-through writes, unbuffered
// reads in whole sectors, MoveFileEx over an older file) and the eject.
#include "DataDisk.h"

#include <wx/filefn.h>
#include <wx/filename.h>

#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "FileBytes.h"
#include "LogCapture.h"
#include "PrintWxString.h"
#include "update/VerifiedCopy.h"

namespace {

class WindowsDiskFiles : public testing::Test
{
protected:
    WindowsDiskFiles()
    {
        wxMkdir(folder);
        WriteBytes(source.ToStdWstring(), contents);
    }
    ~WindowsDiskFiles() override { wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE); }

    bool Copy()
    {
        const auto goOn = [](uint64_t, uint64_t) { return true; };
        UpdateJournalFile expected;
        if (ReadWholeFile(source, expected, goOn).status != FileWorkStatus::Done)
            return false;
        expected.name = "os.zlos";
        return CopyToDataDiskVerified(source, folder, expected, goOn).status ==
               FileWorkStatus::Done;
    }

    const wxString folder = wxFileName::GetTempDir() + "\\zephlark-disk-files";
    const wxString source = folder + "\\source.zlos";
    // Its last piece is no whole sector, which an unbuffered read must still return.
    const std::string contents = std::string(3 * 65536, 'z') + "7 bytes";
};

TEST_F(WindowsDiskFiles, CheckedCopyReplacesTheOldFileWhole)
{
    WriteBytes((folder + "\\os.zlos").ToStdWstring(), "old");
    EXPECT_TRUE(Copy());
    EXPECT_TRUE(ReadBytes((folder + "\\os.zlos").ToStdWstring()) == contents);
    EXPECT_FALSE(wxFileExists(folder + "\\os.zlos.part"));
    EXPECT_GT(FreeBytesOnDisk(folder), 0);
}

TEST_F(WindowsDiskFiles, FailedRenameLeavesNoPartialCopyAndSaysWhy)
{
    LogCapture log;
    wxMkdir(folder + "\\os.zlos");
    EXPECT_FALSE(Copy());
    EXPECT_FALSE(wxFileExists(folder + "\\os.zlos.part"));
    const auto messages = log.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(messages[0].StartsWith("Failed to rename " + folder + "\\os.zlos.part to "))
        << messages[0];
}

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
