// The reader's line queue, driven directly: what the line-queue fuzz target's properties leave
// open (the exact text of an invalid line, the cap's message, dropping an unfinished line). The
// fuzz target's seeds replay the rest: partial lines, carriage returns, UTF-8, NUL bytes and the
// notification handshake.

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

    wxEvtHandler announcements; // never handled
    SerialLineQueue reader{&announcements, 0};
};

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
