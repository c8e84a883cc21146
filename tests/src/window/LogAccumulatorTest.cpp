#include <gtest/gtest.h>

#include "window/LogAccumulator.h"

namespace {

TEST(LogAccumulator, KeepsTheHeaderAndTheNewestTextAndSaysWhenOlderWasDropped)
{
    auto* accumulator = new LogAccumulator("Program 1.0 on System");
    wxLog* previous = wxLog::SetActiveTarget(accumulator);
    const wxString line(wxUniChar('x'), 1023); // 1 KiB with its CR LF... minus one
    const size_t lines = (LogAccumulator::kKeptBytes + LogAccumulator::kTrimSlackBytes) / 1024 + 10;
    for (size_t i = 0; i < lines; ++i)
        wxLogMessage("%zu %s", i, line);

    wxString text;
    EXPECT_TRUE(accumulator->GetText().StartsWith("Program 1.0 on System\r\n[", &text));
    EXPECT_TRUE(text.Contains("older log messages were dropped"));
    EXPECT_TRUE(text.EndsWith(wxString::Format("%zu %s\r\n", lines - 1, line)));
    EXPECT_GE(text.length(), LogAccumulator::kKeptBytes);
    EXPECT_LE(text.length(), LogAccumulator::kKeptBytes + LogAccumulator::kTrimSlackBytes + 200);
    delete wxLog::SetActiveTarget(previous);
}

} // namespace
