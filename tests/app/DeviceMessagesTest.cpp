// How device lines are classified, logged and parsed, through the whole reader path.

#include "ConnectionFixture.h"
#include "sim/SimDevice.h"

namespace {

class DeviceMessages : public ConnectionTest
{
protected:
    DeviceMessages()
    {
        ConnectIdentified();
        log.Clear();
    }

    // Sends the lines and a marker after them, and waits until the marker was logged.
    void Send(const std::string& lines)
    {
        sim::Emit(lines + "end-of-batch\r\n");
        ASSERT_TRUE(
            WaitFor("the end of the batch", [this] { return log.Contains("end-of-batch"); }));
    }

    std::vector<wxString> DeviceLog()
    {
        auto messages = log.Messages();
        messages.erase(std::find(messages.begin(), messages.end(), "end-of-batch"), messages.end());
        return messages;
    }
};

TEST_F(DeviceMessages, ConsoleLinesAreLoggedVerbatimAndEmptyLinesIgnored)
{
    Send("plain text\r\n\r\n100% done %s %d\r\n<UTF8ERR>not really\r\n");
    EXPECT_THAT(DeviceLog(),
                testing::ElementsAre("plain text", "100% done %s %d", "<UTF8ERR>not really"));
}

TEST_F(DeviceMessages, InvalidUtf8FromTheDeviceIsLoggedMarked)
{
    Send("bad \xc3\x28 byte\r\n");
    EXPECT_THAT(DeviceLog(), testing::ElementsAre("<UTF8ERR>bad .( byte"));
}

TEST_F(DeviceMessages, ControlAndTraceLinesAreFilteredByPrefix)
{
    Send("~ctl: hidden\r\n~ctl:shown\r\n~stoptrace: OK\r\n~tr: 0x1f00\r\n~tr: zz\r\n~lt:nolua\r\n");
    EXPECT_THAT(DeviceLog(),
                testing::ElementsAre("~ctl:shown", "Invalid trace: zz", "Trace no Lua"));
}

TEST_F(DeviceMessages, TraceCaptureAbsorbsUntilAnEmptyLine)
{
    Send("~lt:start\r\nswallowed\r\n~stoptrace: OK\r\n\r\nvisible again\r\n");
    EXPECT_THAT(DeviceLog(), testing::ElementsAre("visible again"));
}

TEST_F(DeviceMessages, TraceCaptureEndsAfterMoreThan512Characters)
{
    const std::string line99(99, 't'); // 100 characters each with its line feed
    std::string lines = "~lt:\r\n";
    for (int i = 0; i < 6; ++i) // the sixth crosses 512 and is still absorbed
        lines += line99 + "\r\n";
    Send(lines + "after the capture\r\n");
    EXPECT_THAT(DeviceLog(), testing::ElementsAre("after the capture"));
}

// A device whose own report never completes (no serial number) leaves the classifier in its
// version state, so that the report lines a test sends are parsed from an empty record.
class VersionReport : public ConnectionTest
{
protected:
    VersionReport()
    {
        sim::WithDevice([](sim::SimDevice& device) {
            device.Settings().version = {"", "", "", "", ""};
        });
        sim::Plug();
        connection->RefreshDeviceConnections();
        EXPECT_TRUE(WaitFor("the serial number line", [this] { return log.Contains("serial#="); }));
        log.Clear();
    }

    wxString bootBuild, build, sdk;
};

TEST_F(VersionReport, FillsTheRecordAndIsLoggedLineByLine)
{
    sim::Emit("target=X\r\nbuild=1.2\r\nSDK=1.2\r\nserial#=S\r\n");
    ASSERT_TRUE(WaitFor("the serial number line", [this] { return log.Contains("serial#=S"); }));
    // Until the record is complete every line is a report line, logged whatever it says.
    sim::Emit("~ctl: inside\r\nboot_build=7\r\n~ctl:after\r\n~ctl: dropped\r\n");
    ASSERT_TRUE(
        WaitFor("the line after the report", [this] { return log.Contains("~ctl:after"); }));

    EXPECT_THAT(log.Messages(),
                testing::ElementsAre("target=X", "build=1.2", "SDK=1.2", "serial#=S",
                                     "~ctl: inside", "boot_build=7", "~ctl:after"));
    EXPECT_TRUE(connection->IsDeviceIdentified());
    connection->GetVersionInfo(&bootBuild, &build, &sdk);
    EXPECT_EQ(bootBuild, "7");
    EXPECT_EQ(build, "1.2");
    EXPECT_EQ(sdk, "1.2");
}

TEST_F(VersionReport, LaterLinesWinAndCommitsShareTheBuildFields)
{
    sim::Emit("boot_build=7\r\nboot_commit=abc\r\ncommit=def\r\nSDK=1\r\nSDK=2\r\nnoise\r\n");
    // Report lines are all logged.
    ASSERT_TRUE(WaitFor("the noise line", [this] { return log.Contains("noise"); }));
    connection->GetVersionInfo(&bootBuild, &build, &sdk);
    EXPECT_EQ(bootBuild, "abc");
    EXPECT_EQ(build, "def");
    EXPECT_EQ(sdk, "2");
}

TEST_F(DeviceMessages, StatsSwallowEverythingAfterwardsButLookalikesAreLogged)
{
    Send("~stats: soon\r\n~stats\r\n");
    EXPECT_THAT(DeviceLog(), testing::ElementsAre("~stats: soon", "~stats"));
    log.Clear();
    sim::Emit("~stats:\r\nnever logged\r\n");
    sim::Emit("~version:\r\ntarget=Y\r\n");
    sim::Emit("still swallowed\r\n");
    EXPECT_FALSE(WaitFor(
        "any message", [this] { return !log.Messages().empty(); }, std::chrono::milliseconds(300)));
}

TEST_F(DeviceMessages, ScreenshotSwallowsEverythingAfterItsStart)
{
    sim::Emit("before\r\n~screen 320x240\r\npixels\r\n~version:\r\n");
    ASSERT_TRUE(
        WaitFor("the screenshot line", [this] { return log.Contains("Screenshot begin..."); }));
    EXPECT_FALSE(WaitFor(
        "the pixel line", [this] { return log.Contains("pixels"); },
        std::chrono::milliseconds(300)));
    EXPECT_THAT(log.Messages(), testing::ElementsAre("before", "Screenshot begin..."));
}

TEST_F(DeviceMessages, BacklogIsCutAfter101LinesAndHandledLater)
{
    connection->SetReadMode(DeviceConnection::Manual); // hold the lines back until all are queued
    std::string lines;
    for (int i = 0; i < 150; ++i)
        lines += "line " + std::to_string(i) + "\r\n";
    sim::Emit(lines);
    WaitUntilQueued(lines.size());

    connection->SetReadMode(DeviceConnection::Automatic); // one pass, as one notification would
    auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 102u);
    EXPECT_EQ(messages[100], "line 100");
    EXPECT_EQ(messages[101], "Serial backlog, continuing...");

    EXPECT_TRUE(WaitFor("the last line", [this] { return log.Contains("line 149"); }));
    EXPECT_EQ(log.Count("Serial backlog, continuing..."), 1u);
}

} // namespace
