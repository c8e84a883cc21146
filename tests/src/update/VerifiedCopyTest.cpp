// A copy onto the simulated data disk (on virtual time) where an earlier update left its file.

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "FileBytes.h"
#include "UpdateFlowFixture.h"
#include "update/VerifiedCopy.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ElementsAre;
using VerifiedCopy = SimUpdateTest;

// The device may take the final name for an OS file at any moment: the old file stays there until
// the checked copy replaces it. A stop is noticed between chunks, which on a disk of 1 MB/s come
// well within 100 ms, and a stopped copy leaves nothing behind.
TEST_F(VerifiedCopy, KeepsTheOldFileUntilCheckedAndStopsBetweenChunks)
{
    const fs::path disk = fs::path(folder.utf8_string()) / "disk";
    const fs::path source = fs::path(folder.utf8_string()) / "os.zlos";
    fs::create_directory(disk);
    Configure([&](sim::DeviceSettings& settings) {
        settings.diskFolder = disk;
        settings.diskBytesPerSecond = 1'000'000;
    });
    std::string contents(200'000, '\0'); // a few chunks and a short one
    for (size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<char>(i * 7 % 251);
    WriteBytes(source, contents);
    WriteBytes(disk / "os.zlos", "old");
    UpdateJournalFile checked{"os.zlos"};
    const auto copy = [&](const WorkProgress& progress) {
        return CopyToDataDiskVerified(source.string(), disk.string(), checked, progress).status;
    };
    ASSERT_EQ(
        ReadWholeFile(source.string(), checked, [](uint64_t, uint64_t) { return true; }).status,
        FileWorkStatus::Done);

    bool stopped = false;
    EXPECT_EQ(copy([&](uint64_t done, uint64_t total) {
                  EXPECT_FALSE(stopped) << "no work after the stop";
                  stopped = done > total / 4;
                  return !stopped;
              }),
              FileWorkStatus::Stopped);
    EXPECT_THAT(DiskFiles(), ElementsAre("os.zlos"));

    auto last = TheClock().Now();
    MonotonicClock::Duration longest{};
    double fraction = 0;
    EXPECT_EQ(copy([&](uint64_t done, uint64_t total) {
                  EXPECT_EQ(ReadBytes(disk / "os.zlos"), "old");
                  longest = std::max(longest, TheClock().Now() - last);
                  last = TheClock().Now();
                  fraction = static_cast<double>(done) / static_cast<double>(total);
                  return true;
              }),
              FileWorkStatus::Done);
    EXPECT_EQ(fraction, 1.0); // written, then read back
    EXPECT_TRUE(ReadBytes(disk / "os.zlos") == contents);
    EXPECT_THAT(DiskFiles(), ElementsAre("os.zlos"));
    EXPECT_LT(longest, 70ms);
}

} // namespace
