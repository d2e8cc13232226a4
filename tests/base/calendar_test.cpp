#include "base/calendar.h"

#include <gtest/gtest.h>

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

TEST(Calendar, RollsIntoTheNeighbouringMonthsAndYears)
{
    const struct { int64_t year, month, day, sameYear, sameMonth, sameDay; } cases[] = {
        {2000, 13, 1, 2001, 1, 1}, {2000, 0, 1, 1999, 12, 1}, {2000, -11, 1, 1999, 1, 1}, {2000, -12, 1, 1998, 12, 1},
        {2000, 25, 1, 2002, 1, 1}, {2000, 3, 0, 2000, 2, 29}, {1900, 3, 0, 1900, 2, 28}, {2000, 12, 32, 2001, 1, 1},
        {2000, 1, 367, 2001, 1, 1}, {2000, 1, -364, 1999, 1, 1}, {32767, 13, 1, 32768, 1, 1},
        {-32768, 0, 1, -32769, 12, 1}};
    for (const auto& r : cases)
        EXPECT_EQ(base::SerialOfCivil(r.year, r.month, r.day), base::SerialOfCivil(r.sameYear, r.sameMonth, r.sameDay))
            << r.year << '-' << r.month << '-' << r.day;
}

TEST(CalendarWalk, EveryDayFollowsThePreviousOneAcrossTheEdgesOfTheCycles)
{
    // Walks over stretches that cross a 400-year cycle and the standard library's range,
    // checking each date against the one before it.
    for (const int64_t start : {int64_t{-693959 - 800}, int64_t{11274307 - 800}, int64_t{-12661860 - 800}}) {
        base::CivilDate previous = base::CivilOfSerial(start);
        for (int64_t serial = start + 1; serial < start + 1600; ++serial) {
            const base::CivilDate date = base::CivilOfSerial(serial);
            const bool nextDay = date.year == previous.year && date.month == previous.month
                && date.day == previous.day + 1;
            const bool nextMonth = date.year == previous.year && date.month == previous.month + 1 && date.day == 1;
            const bool nextYear = date.year == previous.year + 1 && date.month == 1 && date.day == 1
                && previous.month == 12 && previous.day == 31;
            ASSERT_TRUE(nextDay || nextMonth || nextYear) << "day number " << serial;
            ASSERT_EQ(base::SerialOfCivil(date.year, date.month, date.day), serial);
            previous = date;
        }
    }
}

} // namespace
