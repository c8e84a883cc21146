// The reader's line queue, driven directly: the handshake that announces waiting lines, the text
// of an invalid line, the 1 MiB cap, dropping an unfinished line. Carriage returns, line feeds and
// NUL bytes are the connection's and the classifier's tests' (and the classifier's fuzz target's).

#include <wx/event.h>

#include <gtest/gtest.h>

#include <string>

#include "LogCapture.h"
#include "SerialLineQueue.h"

namespace {

class ReaderQueue : public testing::Test
{
protected:
    // Bytes as one read brings them.
    void Feed(const std::string& bytes)
    {
        reader.QueueBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }

    wxString NextLine()
    {
        wxString line = "<untouched>";
        EXPECT_TRUE(reader.GetLine(line));
        return line;
    }

    // Counts the announcements of waiting lines instead of delivering them.
    struct Announcements : wxEvtHandler
    {
        void QueueEvent(wxEvent* event) override
        {
            ++count;
            delete event;
        }
        int count = 0;
    } announcements;
    SerialLineQueue reader{&announcements, 0};
};

// One announcement is outstanding until the GUI is ready for more, however many lines come; a line
// still waiting then is announced at the end of the next read, line feed or not.
TEST_F(ReaderQueue, AnnouncesWaitingLinesOnceUntilReadyForMore)
{
    Feed("half");
    EXPECT_EQ(announcements.count, 0);
    Feed(" one\n");
    Feed("two\n");
    EXPECT_EQ(announcements.count, 1);
    reader.ReadyForMore();
    Feed("th");
    EXPECT_EQ(announcements.count, 2);
}

TEST_F(ReaderQueue, InvalidUtf8IsMarkedAndSanitised)
{
    Feed("\xc3\x28\n");
    EXPECT_EQ(NextLine(), "<UTF8ERR>.(");
    Feed("ok \xff\x01~\n");
    EXPECT_EQ(NextLine(), "<UTF8ERR>ok ..~");
}

TEST_F(ReaderQueue, FullQueueIsEmptiedWithAMessageAndFillsAgain)
{
    LogCapture log;
    Feed("x\n");
    Feed(std::string(SerialLineQueue::kLimitBytes - 2, 'x'));
    EXPECT_EQ(reader.QueuedBytes(), SerialLineQueue::kLimitBytes);
    EXPECT_TRUE(log.Messages().empty());

    Feed("yz"); // y is dropped together with the whole queue, z starts a line
    EXPECT_TRUE(log.Contains("Serial buffer full (1048576 bytes)"));
    EXPECT_EQ(reader.QueuedBytes(), 1u);
    wxString line;
    EXPECT_FALSE(reader.GetLine(line)) << "handed out an unfinished line: " << line;

    Feed("after\n");
    EXPECT_EQ(NextLine(), "zafter");
}

TEST_F(ReaderQueue, DroppingTheUnfinishedLineKeepsCompleteOnes)
{
    Feed("done\nhalf a li");
    reader.DropUnfinishedLine();
    Feed("~version:\n");
    EXPECT_EQ(NextLine(), "done");
    EXPECT_EQ(NextLine(), "~version:");
}

} // namespace
