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

TEST_F(FirmwareFileTest, MissingFileCannotBeOpenedAndOtherFilesAreInvalid)
{
    const wxString missing = path + ".missing";
    EXPECT_EQ(ReadFirmwareVersion(missing, version), FirmwareFileStatus::CannotOpen);
    SetBytes("this is not a zip archive at all");
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
    SetBytes("");
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);
}

TEST_F(FirmwareFileTest, DamagedArchivesAreInvalidNotTrusted)
{
    WriteZip({{"version", "1.5.0"}}, true);
    const std::string good = Bytes();
    const size_t data = good.find("1.5.0");
    ASSERT_NE(data, std::string::npos);

    std::string badChecksum = good;
    badChecksum[data] = '9';
    SetBytes(badChecksum);
    EXPECT_EQ(Read(), FirmwareFileStatus::Invalid);

    for (size_t cut = 0; cut < good.size(); cut += 7) { // truncated anywhere: never a crash
        SetBytes(good.substr(0, cut));
        const FirmwareFileStatus status = Read();
        EXPECT_TRUE(status == FirmwareFileStatus::Invalid || version == "1.5.0") << cut;
    }
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
