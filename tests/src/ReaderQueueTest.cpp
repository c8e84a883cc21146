// The reader's per-byte rules and the notification handshake, driven directly. The line-queue fuzz
// target's seeds replay the handshake's other rules (one notification until ReadyForMore, both
// lines of one read).

#include <wx/app.h>
#include <wx/event.h>

#include <gtest/gtest.h>

#include <string>

#include "LogCapture.h"
#include "SerialLineQueue.h"

namespace {

constexpr int kEventId = 2;

class ReaderQueue : public testing::Test
{
protected:
    ReaderQueue() : reader(&handler, kEventId)
    {
        handler.Bind(wxEVT_THREAD, [this](wxThreadEvent& event) {
            EXPECT_EQ(event.GetId(), kEventId);
            ++notifications;
        });
    }

    // Bytes as one read brings them.
    void Feed(const std::string& bytes)
    {
        reader.QueueBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }

    // A read that brought nothing still reaches the notify point.
    void ReadTimesOut() { reader.QueueBytes(nullptr, 0); }

    int DeliveredNotifications()
    {
        wxAppConsole::GetInstance()->ProcessPendingEvents();
        return notifications;
    }

    wxString NextLine()
    {
        wxString line = "<untouched>";
        EXPECT_TRUE(reader.GetLine(line));
        return line;
    }

    wxEvtHandler handler;
    SerialLineQueue reader;
    int notifications = 0;
};

TEST_F(ReaderQueue, PartialLineIsNeitherAnnouncedNorReturned)
{
    Feed("abc");
    ReadTimesOut();
    EXPECT_EQ(DeliveredNotifications(), 0);
    wxString line;
    EXPECT_FALSE(reader.GetLine(line));
    Feed("\n");
    EXPECT_EQ(DeliveredNotifications(), 1);
    EXPECT_EQ(NextLine(), "abc");
}

TEST_F(ReaderQueue, CarriageReturnsVanishAnywhereAndEmptyLinesSurvive)
{
    Feed("a\rb\n\r\n\n");
    EXPECT_EQ(NextLine(), "ab");
    EXPECT_EQ(NextLine(), "");
    EXPECT_EQ(NextLine(), "");
}

TEST_F(ReaderQueue, ValidUtf8IsDecoded)
{
    Feed("caf\xc3\xa9 \xe2\x9c\x93\n");
    EXPECT_EQ(NextLine(), wxString::FromUTF8("caf\xc3\xa9 \xe2\x9c\x93"));
}

TEST_F(ReaderQueue, InvalidUtf8IsMarkedAndSanitised)
{
    Feed("\xc3\x28\n");
    EXPECT_EQ(NextLine(), "<UTF8ERR>.(");
    Feed("ok \xff\x01~\n");
    EXPECT_EQ(NextLine(), "<UTF8ERR>ok ..~");
}

TEST_F(ReaderQueue, NulIsShownAsADotAndTheRestOfTheLineKept)
{
    Feed(std::string("before\0after\n", 13));
    EXPECT_EQ(NextLine(), "before.after");
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
