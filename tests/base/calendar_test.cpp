#include "base/calendar.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(Calendar, ConvertsBothWays)
{
    // Around the origin, the leap rules, and past the years the standard library's calendar
    // holds (+-32767), where the day numbers must go on without a seam.
    const struct { int64_t year; int month, day; int64_t serial; } cases[] = {
        {1899, 12, 30, 0}, {1899, 12, 29, -1}, {1900, 1, 1, 2}, {1900, 3, 1, 61}, {1970, 1, 1, 25569},
        {2000, 2, 29, 36585}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465}, {0, 1, 1, -693959}, {0, 2, 29, -693900},
        {-1, 12, 31, -693960}, {32767, 12, 31, 11274306}, {32768, 1, 1, 11274307}, {-32767, 1, 1, -12661859},
        {-32768, 12, 31, -12661860}, {1000000, 3, 1, 364548601}, {-1000000, 2, 29, -365936400}};
    for (const auto& known : cases) {
        SCOPED_TRACE(testing::Message() << known.year << '-' << known.month << '-' << known.day);
        EXPECT_EQ(base::SerialOfCivil(known.year, known.month, known.day), known.serial);
        const base::CivilDate date = base::CivilOfSerial(known.serial);
        EXPECT_EQ(date.year, known.year);
        EXPECT_EQ(date.month, known.month);
        EXPECT_EQ(date.day, known.day);
    }
}

bool IsLeap(int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

TEST(CalendarWalk, EveryDayFollowsThePreviousOneOnTheCalendar)
{
    // Year 1 to 9999, and stretches across a 400-year cycle and the standard library's range
    // (+-32767), each day checked against a calendar of the test's own.
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const std::pair<int64_t, int64_t> stretches[] = {
        {-693593, 2958465}, {-693959 - 800, -693959 + 800}, {11274307 - 800, 11274307 + 800},
        {-12661860 - 800, -12661860 + 800}};
    for (const auto& [first, last] : stretches) {
        base::CivilDate expected = base::CivilOfSerial(first);
        for (int64_t serial = first; serial <= last; ++serial) {
            const base::CivilDate date = base::CivilOfSerial(serial);
            ASSERT_TRUE(date.year == expected.year && date.month == expected.month && date.day == expected.day)
                << "day number " << serial;
            ASSERT_EQ(base::SerialOfCivil(date.year, date.month, date.day), serial);
            const int monthDays = kDays[date.month - 1] + (date.month == 2 && IsLeap(date.year) ? 1 : 0);
            ASSERT_TRUE(base::IsCalendarDate(date.year, date.month, date.day)) << serial;
            ASSERT_FALSE(base::IsCalendarDate(date.year, date.month, date.day == 1 ? 0 : monthDays + 1)) << serial;
            if (date.year >= 1 && date.year <= 9999) {
                ASSERT_EQ(base::SerialOfStored(static_cast<int32_t>(date.year - 1900), date.month, date.day), serial);
                const auto yyyymmdd = static_cast<uint32_t>(date.year * 10000 + date.month * 100 + date.day);
                ASSERT_EQ(base::IsoDateOfYyyymmdd(yyyymmdd), base::IsoDateOfSerial(serial));
            }
            if (++expected.day > monthDays) {
                expected.day = 1;
                if (++expected.month > 12) {
                    expected.month = 1;
                    ++expected.year;
                }
            }
        }
    }
}

} // namespace
