// Copies onto the simulated data disk (on virtual time): what the device could find there at any
// moment of a copy, and what a failed copy leaves behind and logs.

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "UpdateFlowFixture.h"
#include "update/VerifiedCopy.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ElementsAre;

constexpr size_t kChunkBytes = 64 * 1024;
// Three whole chunks and a short one.
constexpr size_t kSourceBytes = 3 * kChunkBytes + 7;

std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

class VerifiedCopy : public SimUpdateTest
{
protected:
    VerifiedCopy()
    {
        fs::create_directory(disk);
        Configure([this](sim::DeviceSettings& settings) { settings.diskFolder = disk; });
        WriteBytes(source, contents);
        EXPECT_EQ(ReadWholeFile(source.string(), checked, kProceed).status, FileWorkStatus::Done);
    }

    bool Copy(const fs::path& from, const fs::path& root, const WorkProgress& progress = {})
    {
        return CopyToDataDiskVerified(from.string(), root.string(), checked,
                                      progress ? progress : kProceed)
                   .status == FileWorkStatus::Done;
    }

    static inline const WorkProgress kProceed = [](uint64_t, uint64_t) { return true; };

    const fs::path disk = fs::path(folder.utf8_string()) / "disk";
    const fs::path source = fs::path(folder.utf8_string()) / "os.zlos";
    const std::string contents = Pattern(kSourceBytes);
    UpdateJournalFile checked{"os.zlos"};
};

TEST_F(VerifiedCopy, FinalNameKeepsTheOldFileUntilTheCheckedCopyReplacesIt)
{
    WriteBytes(disk / "os.zlos", "old");
    EXPECT_TRUE(Copy(source, disk, [this](uint64_t, uint64_t) {
        EXPECT_EQ(ReadBytes(disk / "os.zlos"), "old");
        return true;
    }));
    EXPECT_TRUE(ReadBytes(disk / "os.zlos") == contents);
    EXPECT_THAT(DiskFiles(), ElementsAre("os.zlos"));
}

// The user may pick the OS file that an earlier update left on the disk.
TEST_F(VerifiedCopy, SourceThatIsTheTargetStaysWhole)
{
    WriteBytes(disk / "os.zlos", contents);
    EXPECT_TRUE(Copy(disk / "os.zlos", disk));
    EXPECT_TRUE(ReadBytes(disk / "os.zlos") == contents);
    EXPECT_THAT(DiskFiles(), ElementsAre("os.zlos"));
}

// The caller keeps its window alive between chunks: on a disk of 1 MB/s each one must come well
// within 100 ms, and the last tells the whole work done (written, then read back).
TEST_F(VerifiedCopy, ProgressFollowsEveryChunkAndReachesTheTotal)
{
    Configure([](sim::DeviceSettings& settings) { settings.diskBytesPerSecond = 1'000'000; });
    uint64_t done = 0;
    auto last = TheClock().Now();
    MonotonicClock::Duration longest{};
    EXPECT_TRUE(Copy(source, disk, [&](uint64_t bytes, uint64_t total) {
        EXPECT_EQ(total, 2 * kSourceBytes);
        EXPECT_GT(bytes, done);
        done = bytes;
        longest = std::max(longest, TheClock().Now() - last);
        last = TheClock().Now();
        return true;
    }));
    EXPECT_EQ(done, 2 * kSourceBytes);
    EXPECT_LT(longest, 70ms);
}

// A copy that fails: what makes it fail, what the log says (with the system's reason), and what
// stays on the disk.
struct FailedCopyCase
{
    const char* name;
    std::function<void(sim::DeviceSettings&, const fs::path& source)> prepare;
    const char* root; // below the disk folder
    const char* logged;
    std::vector<wxString> left;
    uint64_t stopAfter = UINT64_MAX; // bytes of work, where the caller asks the copy to stop
};

void PrintTo(const FailedCopyCase& failure, std::ostream* out)
{
    *out << failure.name;
}

class FailedCopy : public VerifiedCopy, public testing::WithParamInterface<FailedCopyCase>
{
};

TEST_P(FailedCopy, LeavesNoPartialCopyAndLogsWhy)
{
    Configure([this](sim::DeviceSettings& settings) { GetParam().prepare(settings, source); });
    EXPECT_FALSE(Copy(source, disk / GetParam().root, [](uint64_t done, uint64_t) {
        EXPECT_LE(done, GetParam().stopAfter) << "no work after the stop";
        return done < GetParam().stopAfter;
    }));
    const auto messages = log.Messages();
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [](const wxString& message) {
        return message.Contains(GetParam().logged);
    })) << GetParam().logged;
    EXPECT_EQ(DiskFiles(), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailedCopy,
    testing::Values(FailedCopyCase{"FolderInTheWay",
                                   [](sim::DeviceSettings& settings, const fs::path&) {
                                       fs::create_directory(settings.diskFolder / "os.zlos");
                                   },
                                   "",
                                   ": Is a directory",
                                   {"os.zlos"}},
                    FailedCopyCase{
                        "SourceGone",
                        [](sim::DeviceSettings&, const fs::path& source) { fs::remove(source); },
                        "",
                        "No such file or directory",
                        {}},
                    FailedCopyCase{"StoppedBetweenChunks",
                                   [](sim::DeviceSettings&, const fs::path&) {},
                                   "",
                                   "Copying ",
                                   {},
                                   2 * kChunkBytes},
                    FailedCopyCase{"DiskGone",
                                   [](sim::DeviceSettings&, const fs::path&) {},
                                   "gone",
                                   "the Zephlark disk is not available.",
                                   {}}),
    [](const testing::TestParamInfo<FailedCopyCase>& info) { return info.param.name; });

} // namespace
