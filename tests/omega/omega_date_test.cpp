#include "omega/omega_date.h"

#include <gtest/gtest.h>

namespace {

struct KnownDay {
    int32_t year;  // counted from 1900
    int32_t month;
    int32_t day;
    int32_t serial;
};

class OmegaDateTest : public testing::TestWithParam<KnownDay> {};

TEST_P(OmegaDateTest, ConvertsBothWays)
{
    const KnownDay& known = GetParam();
    const OmegaDate date{known.month, known.day, known.year};
    EXPECT_EQ(omega::OmegaDateToSerial(date), known.serial);
    const OmegaDate back = omega::SerialToOmegaDate(known.serial);
    EXPECT_EQ(back.year, known.year);
    EXPECT_EQ(back.month, known.month);
    EXPECT_EQ(back.day, known.day);
}

INSTANTIATE_TEST_SUITE_P(Days, OmegaDateTest, testing::Values(
    KnownDay{-1899, 1, 1, -693593},  // 1 January of year 1
    KnownDay{-100, 1, 1, -36522},
    KnownDay{-1, 12, 30, 0},
    KnownDay{-1, 12, 31, 1},
    KnownDay{0, 1, 1, 2},
    KnownDay{0, 2, 28, 60},          // 1900 is no leap year:
    KnownDay{0, 3, 1, 61},           // 28 February is followed by 1 March
    KnownDay{98, 3, 5, 35859},
    KnownDay{100, 1, 1, 36526},
    KnownDay{100, 2, 29, 36585},     // 2000 is one
    KnownDay{100, 3, 1, 36586},
    KnownDay{199, 12, 31, 73050},
    KnownDay{8099, 12, 31, 2958465}));

bool IsLeap(int32_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

TEST(OmegaDateWalk, EveryDayFollowsThePreviousOneOnTheCalendar)
{
    // Walks from 1 January of year 1 to 31 December 9999 with a calendar of its own.
    int32_t year = 1, month = 1, day = 1;
    for (int32_t serial = -693593; serial <= 2958465; ++serial) {
        const OmegaDate date = omega::SerialToOmegaDate(serial);
        ASSERT_TRUE(date.year + 1900 == year && date.month == month && date.day == day) << "day number " << serial;
        ASSERT_EQ(omega::OmegaDateToSerial(date), serial);
        static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (++day > kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
}

} // namespace
