#include <wx/filename.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "FileBytes.h"
#include "LogCapture.h"
#include "update/FirmwareFile.h"

namespace {

using Entries = std::vector<std::pair<wxString, std::string>>;

// An OS file (a ZIP archive, its entries stored uncompressed), perhaps damaged afterwards, and
// what its reader makes of it.
struct OsFileCase
{
    const char* name;
    FirmwareFileStatus status;
    wxString version;
    Entries entries;
    std::function<void(std::string& bytes)> damage = {};
};

class FirmwareFileTest : public testing::TestWithParam<OsFileCase>
{
protected:
    FirmwareFileTest() : path(wxFileName::CreateTempFileName("zlos").utf8_string()) {}
    ~FirmwareFileTest() override { wxRemoveFile(path); }

    LogCapture log; // wx reports a bad checksum through the log
    std::string path;
};

TEST_P(FirmwareFileTest, VersionIsTheRootVersionEntryWhole)
{
    {
        wxFileOutputStream file(path);
        wxZipOutputStream zip(file);
        zip.SetLevel(0);
        for (const auto& [name, content] : GetParam().entries) {
            zip.PutNextEntry(name);
            zip.Write(content.data(), content.size());
        }
    }
    if (GetParam().damage) {
        std::string bytes = ReadBytes(path);
        GetParam().damage(bytes);
        WriteBytes(path, bytes);
    }
    wxString version = "stale";
    EXPECT_EQ(ReadFirmwareVersion(path, version), GetParam().status);
    EXPECT_EQ(version, GetParam().version);
}

const std::string kLongest(kMaxVersionEntryBytes, '1');
constexpr auto kOk = FirmwareFileStatus::Ok;
constexpr auto kInvalid = FirmwareFileStatus::Invalid;

INSTANTIATE_TEST_SUITE_P(
    OsFiles, FirmwareFileTest,
    testing::Values(
        OsFileCase{
            "Untrimmed", kOk, "1.5.0\n", {{"os.bin", "x"}, {"version", "1.5.0\n"}, {"later", "y"}}},
        OsFileCase{"OnlyTheExactRootName",
                   kInvalid,
                   "",
                   {{"Version", "1.0"}, {"x/version", "2.0"}, {"version.txt", "3.0"}}},
        OsFileCase{"FirstVersionEntryWins", kOk, "1.0", {{"version", "1.0"}, {"version", "2.0"}}},
        OsFileCase{"EmptyVersion", kInvalid, "", {{"version", ""}}},
        OsFileCase{"LongestVersion", kOk, kLongest, {{"version", kLongest}}},
        OsFileCase{"OversizedVersion", kInvalid, "", {{"version", kLongest + "1"}}},
        OsFileCase{"BadChecksum",
                   kInvalid,
                   "",
                   {{"version", "1.5.0"}},
                   [](std::string& bytes) { bytes[bytes.find("1.5.0")] = '9'; }}),
    [](const testing::TestParamInfo<OsFileCase>& info) { return info.param.name; });

} // namespace
