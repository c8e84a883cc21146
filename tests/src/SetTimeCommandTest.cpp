#include <gtest/gtest.h>

#include "SetTimeCommand.h"

namespace {

wxDateTime Utc(int year, wxDateTime::Month month, wxDateTime::wxDateTime_t day,
               wxDateTime::wxDateTime_t hour, wxDateTime::wxDateTime_t minute,
               wxDateTime::wxDateTime_t second, wxDateTime::wxDateTime_t millisecond)
{
    return wxDateTime(day, month, year, hour, minute, second, millisecond)
        .FromTimezone(wxDateTime::UTC);
}

// Read at UTC+14, where the second moment is already the next day, a Monday.
TEST(SetTimeCommand, IsUtcWithMillisecondsAndWeekdayWhateverTheLocalTimeZone)
{
    const wxDateTime first = Utc(2026, wxDateTime::Dec, 5, 4, 9, 59, 123);
    const wxDateTime second = Utc(2027, wxDateTime::Jan, 3, 23, 0, 1, 7);
    setenv("TZ", "Pacific/Kiritimati", 1);
    tzset();
    EXPECT_EQ(FormatSetTimeCommand(first), "settime 2026-12-05T04:09:59.123Z 6");
    EXPECT_EQ(FormatSetTimeCommand(second), "settime 2027-01-03T23:00:01.007Z 0");
    setenv("TZ", "UTC", 1);
    tzset();
}

} // namespace
