#include <wx/filename.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <gtest/gtest.h>

#include <fstream>
#include <utility>
#include <vector>

#include "FirmwareFile.h"
#include "LogCapture.h"

namespace {

using Entries = std::vector<std::pair<wxString, std::string>>;

class FirmwareFileTest : public testing::Test
{
protected:
    FirmwareFileTest() : path(wxFileName::CreateTempFileName("zlos")) {}
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

    std::string Bytes()
    {
        std::ifstream in(path.fn_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void SetBytes(const std::string& bytes)
    {
        std::ofstream(path.fn_str(), std::ios::binary | std::ios::trunc) << bytes;
    }

    FirmwareFileStatus Read()
    {
        version = "stale";
        return ReadFirmwareVersion(path, version);
    }

    LogCapture log; // wx reports a bad checksum through the log
    wxString path;
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
    SetBytes("");
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
}

TEST_F(FirmwareFileTest, BadChecksumIsInvalidNotTrusted)
{
    WriteZip({{"version", "1.5.0"}}, true);
    std::string bytes = Bytes();
    const size_t data = bytes.find("1.5.0");
    ASSERT_NE(data, std::string::npos);
    bytes[data] = '9';
    SetBytes(bytes);
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
}

TEST_F(FirmwareFileTest, ArchiveLyingAboutTheEntrySizeIsInvalid)
{
    WriteZip({{"version", "1.5.0"}}, true);
    std::string bytes = Bytes();
    // The local header's uncompressed size (offset 22) claims far more than is stored.
    bytes[22] = '\xff';
    bytes[23] = '\xff';
    SetBytes(bytes);
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
}

} // namespace
