// How device lines are classified, logged and parsed: fed straight into a line queue and handled at
// once, so that what is not logged is known without waiting.

#include <wx/event.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "DeviceLineClassifier.h"
#include "LogCapture.h"
#include "SerialLineQueue.h"

namespace {

using testing::ElementsAre;

class DeviceMessages : public testing::Test
{
protected:
    // The lines as the reader would queue them, then one pass of automatic handling.
    void Handle(const std::string& lines)
    {
        Feed(lines);
        classifier.PassAutomatically();
    }

    void Feed(const std::string& lines)
    {
        queue.QueueBytes(reinterpret_cast<const uint8_t*>(lines.data()), lines.size());
    }

    LogCapture log;
    wxEvtHandler announcements; // never handled: the tests run each pass themselves
    SerialLineQueue queue{&announcements, 0};
    DeviceLineClassifier classifier{queue, nullptr};
};

TEST_F(DeviceMessages, ConsoleLinesAreLoggedVerbatimAndEmptyLinesIgnored)
{
    Handle("plain text\r\n\r\n100% done %s %d\r\n<UTF8ERR>not really\r\n");
    EXPECT_THAT(log.Messages(),
                ElementsAre("plain text", "100% done %s %d", "<UTF8ERR>not really"));
}

TEST_F(DeviceMessages, ControlAndTraceLinesAreFilteredByPrefix)
{
    Handle(
        "~ctl: hidden\r\n~ctl:shown\r\n~stoptrace: OK\r\n~tr: 0x1f00\r\n~tr: zz\r\n~lt:nolua\r\n");
    EXPECT_THAT(log.Messages(), ElementsAre("~ctl:shown", "Invalid trace: zz", "Trace no Lua"));
}

TEST_F(DeviceMessages, TraceCaptureAbsorbsUntilAnEmptyLineOrMoreThan512Characters)
{
    Handle("~lt:start\r\nswallowed\r\n~stoptrace: OK\r\n\r\nvisible again\r\n");
    const std::string line99(99, 't'); // 100 characters each with its line feed
    std::string lines = "~lt:\r\n";
    for (int i = 0; i < 6; ++i) // the sixth crosses 512 and is still absorbed
        lines += line99 + "\r\n";
    Handle(lines + "after the capture\r\n");
    EXPECT_THAT(log.Messages(), ElementsAre("visible again", "after the capture"));
}

TEST_F(DeviceMessages, StatsSwallowEverythingAfterwardsButLookalikesAreLogged)
{
    Handle("~stats: soon\r\n~stats\r\n~stats:\r\nnever logged\r\n~version:\r\ntarget=Y\r\n");
    EXPECT_THAT(log.Messages(), ElementsAre("~stats: soon", "~stats"));
}

TEST_F(DeviceMessages, ScreenshotSwallowsEverythingAfterItsStart)
{
    Handle("before\r\n~screen 320x240\r\npixels\r\n~version:\r\n");
    classifier.PassAutomatically();
    EXPECT_THAT(log.Messages(), ElementsAre("before", "Screenshot begin..."));
}

TEST_F(DeviceMessages, BacklogIsCutAfter101Lines)
{
    std::string lines;
    for (int i = 0; i < 150; ++i)
        lines += "line " + std::to_string(i) + "\r\n";
    Handle(lines);
    auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 102u);
    EXPECT_EQ(messages[100], "line 100");
    EXPECT_EQ(messages[101], "Serial backlog, continuing...");
    classifier.PassAutomatically();
    EXPECT_TRUE(log.Contains("line 149"));
}

TEST_F(DeviceMessages, VersionReportIsLoggedLineByLineUntilComplete)
{
    // Until the record is complete every line is a report line, logged whatever it says.
    Handle("~version:\r\ntarget=X\r\nbuild=1.2\r\nSDK=1.2\r\nserial#=S\r\n~ctl: inside\r\n"
           "boot_build=7\r\n~ctl:after\r\n~ctl: dropped\r\n");
    EXPECT_THAT(log.Messages(), ElementsAre("target=X", "build=1.2", "SDK=1.2", "serial#=S",
                                            "~ctl: inside", "boot_build=7", "~ctl:after"));
}

TEST_F(DeviceMessages, SecondVersionReportStartsFromAnEmptyRecord)
{
    Handle("~version:\r\ntarget=X\r\nboot_build=7\r\nbuild=1\r\nSDK=1\r\nserial#=S\r\n");
    log.Clear();
    // With the old values kept, the record would be complete after "SDK=2" and the rest of the
    // report taken for console text.
    Handle("~version:\r\nSDK=2\r\n~ctl: still the report\r\n");
    EXPECT_THAT(log.Messages(), ElementsAre("SDK=2", "~ctl: still the report"));
}

// That manual reading hands out every line, even inside a report, the classifier's fuzz target
// holds. Setting the mode handles at once what queued meanwhile, as on the way back from manual
// reading.
TEST_F(DeviceMessages, ManualReadInAutomaticReadingIsRefusedAndTheLineHandledWhenTheModeIsSet)
{
    Feed("first\r\n");
    EXPECT_EQ(classifier.ReadSerialLine(), "");
    EXPECT_TRUE(log.Contains("Attempted to manually read serial connection in automatic mode."));
    EXPECT_FALSE(log.Contains("first"));
    classifier.SetReadMode(DeviceLineClassifier::Automatic);
    EXPECT_TRUE(log.Contains("first"));
}

TEST_F(DeviceMessages, HeldDeviceTextReachesTheNextManualReadFirst)
{
    classifier.HoldDeviceText(true);
    Handle("fwup: done early\r\n~ctl: dropped\r\nflash complete\r\n");
    classifier.SetReadMode(DeviceLineClassifier::Manual);
    Feed("later\r\n");
    EXPECT_EQ(classifier.ReadSerialLine(), "fwup: done early");
    EXPECT_EQ(classifier.ReadSerialLine(), "flash complete");
    EXPECT_EQ(classifier.ReadSerialLine(), "later");
    EXPECT_TRUE(log.Contains("later")); // classified and logged as usual on the way
    classifier.HoldDeviceText(false);
}

} // namespace
