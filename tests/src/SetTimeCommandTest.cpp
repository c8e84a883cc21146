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

TEST(SetTimeCommand, IsUtcWithMillisecondsAndWeekday)
{
    EXPECT_EQ(FormatSetTimeCommand(Utc(2026, wxDateTime::Dec, 5, 4, 9, 59, 123)),
              "settime 2026-12-05T04:09:59.123Z 6");
    EXPECT_EQ(FormatSetTimeCommand(Utc(2027, wxDateTime::Jan, 3, 23, 0, 1, 7)),
              "settime 2027-01-03T23:00:01.007Z 0");
}

TEST(SetTimeCommand, DoesNotDependOnTheLocalTimeZone)
{
    const wxDateTime moment = Utc(2026, wxDateTime::Jun, 30, 23, 59, 59, 999);
    setenv("TZ", "Pacific/Kiritimati", 1); // UTC+14: already the next day locally
    tzset();
    const wxString farEast = FormatSetTimeCommand(moment);
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(farEast, "settime 2026-06-30T23:59:59.999Z 2");
    EXPECT_EQ(FormatSetTimeCommand(moment), farEast);
}

} // namespace
