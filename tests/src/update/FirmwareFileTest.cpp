#include <wx/filename.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "FileBytes.h"
#include "update/FirmwareFile.h"
#include "LogCapture.h"

namespace {

using Entries = std::vector<std::pair<wxString, std::string>>;

class FirmwareFileTest : public testing::Test
{
protected:
    FirmwareFileTest() : path(wxFileName::CreateTempFileName("zlos").utf8_string()) {}
    ~FirmwareFileTest() override { wxRemoveFile(path); }

    void WriteZip(const Entries& entries, bool stored = false)
    {
        wxFileOutputStream file(path);
        wxZipOutputStream zip(file);
        if (stored)
            zip.SetLevel(0);
        for (const auto& [name, content] : entries) {
            zip.PutNextEntry(name);
            zip.Write(content.data(), content.size());
        }
    }

    FirmwareFileStatus Read()
    {
        version = "stale";
        return ReadFirmwareVersion(path, version);
    }

    LogCapture log; // wx reports a bad checksum through the log
    std::string path;
    wxString version;
};

TEST_F(FirmwareFileTest, RootVersionEntryIsReadWholeAndUntrimmed)
{
    WriteZip({{"os.bin", std::string(10000, 'x')}, {"version", "1.5.0\n"}, {"later", "y"}});
    EXPECT_EQ(Read(), FirmwareFileStatus::Ok);
    EXPECT_EQ(version, "1.5.0\n");
}

TEST_F(FirmwareFileTest, OnlyTheExactRootNameCounts)
{
    WriteZip({{"Version", "1.0"}, {"x/version", "2.0"}, {"version.txt", "3.0"}});
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
    EXPECT_EQ(version, "");
}

TEST_F(FirmwareFileTest, FirstVersionEntryWins)
{
    WriteZip({{"version", "1.0"}, {"version", "2.0"}});
    EXPECT_EQ(Read(), FirmwareFileStatus::Ok);
    EXPECT_EQ(version, "1.0");
}

TEST_F(FirmwareFileTest, EmptyOrOversizedVersionIsInvalid)
{
    WriteZip({{"version", ""}});
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
    WriteZip({{"version", std::string(kMaxVersionEntryBytes + 1, '1')}});
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
    WriteZip({{"version", std::string(kMaxVersionEntryBytes, '1')}});
    EXPECT_EQ(Read(), FirmwareFileStatus::Ok);
}

TEST_F(FirmwareFileTest, EmptyFileIsInvalid)
{
    WriteBytes(path, "");
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
}

TEST_F(FirmwareFileTest, BadChecksumIsInvalidNotTrusted)
{
    WriteZip({{"version", "1.5.0"}}, true);
    std::string bytes = ReadBytes(path);
    const size_t data = bytes.find("1.5.0");
    ASSERT_NE(data, std::string::npos);
    bytes[data] = '9';
    WriteBytes(path, bytes);
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
}

TEST_F(FirmwareFileTest, ArchiveLyingAboutTheEntrySizeIsInvalid)
{
    WriteZip({{"version", "1.5.0"}}, true);
    std::string bytes = ReadBytes(path);
    // The local header's uncompressed size (offset 22) claims far more than is stored.
    bytes[22] = '\xff';
    bytes[23] = '\xff';
    WriteBytes(path, bytes);
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
}

} // namespace
