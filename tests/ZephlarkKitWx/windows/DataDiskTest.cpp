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

// After a refused rename, the next copy finds no partial copy in its way.
TEST(WindowsDiskFiles, CheckedCopyLeavesNoPartialCopyWhenRefusedThenReplacesTheOldFileWhole)
{
    const wxString folder = wxFileName::GetTempDir() + "\\zephlark-disk-files";
    const wxString source = folder + "\\source.zlos";
    const wxString target = folder + "\\os.zlos";
    // Its last piece is no whole sector, which an unbuffered read must still return.
    const std::string contents = std::string(3 * 65536, 'z') + "7 bytes";
    wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
    wxMkdir(folder);
    WriteBytes(source.ToStdWstring(), contents);
    const auto goOn = [](uint64_t, uint64_t) { return true; };
    UpdateJournalFile expected;
    ASSERT_EQ(ReadWholeFile(source, expected, goOn).status, FileWorkStatus::Done);
    expected.name = "os.zlos";
    LogCapture log;

    wxMkdir(target);
    EXPECT_NE(CopyToDataDiskVerified(source, folder, expected, goOn).status, FileWorkStatus::Done);
    EXPECT_FALSE(wxFileExists(target + ".part"));
    ASSERT_FALSE(log.Messages().empty());
    EXPECT_TRUE(log.Messages()[0].StartsWith("Failed to rename " + target + ".part to "))
        << log.Messages()[0];

    wxRmdir(target);
    WriteBytes(target.ToStdWstring(), "old");
    EXPECT_EQ(CopyToDataDiskVerified(source, folder, expected, goOn).status, FileWorkStatus::Done);
    EXPECT_TRUE(ReadBytes(target.ToStdWstring()) == contents);
    EXPECT_FALSE(wxFileExists(target + ".part"));
    EXPECT_GT(FreeBytesOnDisk(folder), 0);
    wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
}

// The volume went with its device: the caller refreshes as after an eject.
TEST(WindowsDataDisk, EjectOfAMissingDriveIsLoggedAndCountsAsDone)
{
    // Wine maps no drive letter this far down the alphabet.
    ASSERT_EQ(GetDriveTypeW(L"Y:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    LogCapture log;

    EXPECT_TRUE(ZephlarkEjectDisk("Y:\\"));
    EXPECT_EQ(log.Messages(),
              std::vector<wxString>{"Failed to open device for for eject: \\\\.\\Y:"});
}

} // namespace
