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
    Entries entries;
    FirmwareFileStatus status;
    wxString version;
    std::function<void(std::string& bytes)> damage = {};
};

void PrintTo(const OsFileCase& osFile, std::ostream* out)
{
    *out << osFile.name;
}

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
            "Untrimmed", {{"os.bin", "x"}, {"version", "1.5.0\n"}, {"later", "y"}}, kOk, "1.5.0\n"},
        OsFileCase{"OnlyTheExactRootName",
                   {{"Version", "1.0"}, {"x/version", "2.0"}, {"version.txt", "3.0"}},
                   kInvalid,
                   ""},
        OsFileCase{"FirstVersionEntryWins", {{"version", "1.0"}, {"version", "2.0"}}, kOk, "1.0"},
        OsFileCase{"EmptyVersion", {{"version", ""}}, kInvalid, ""},
        OsFileCase{"LongestVersion", {{"version", kLongest}}, kOk, kLongest},
        OsFileCase{"OversizedVersion", {{"version", kLongest + "1"}}, kInvalid, ""},
        OsFileCase{"EmptyFile", {}, kInvalid, "", [](std::string& bytes) { bytes.clear(); }},
        OsFileCase{"BadChecksum",
                   {{"version", "1.5.0"}},
                   kInvalid,
                   "",
                   [](std::string& bytes) { bytes[bytes.find("1.5.0")] = '9'; }},
        // The local header's uncompressed size (offset 22) claims far more than is stored.
        OsFileCase{"LyingAboutTheEntrySize",
                   {{"version", "1.5.0"}},
                   kInvalid,
                   "",
                   [](std::string& bytes) { bytes[22] = bytes[23] = '\xff'; }}),
    [](const testing::TestParamInfo<OsFileCase>& info) { return info.param.name; });

} // namespace
